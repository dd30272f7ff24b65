// The engine tool, run as a person would run it.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace testsupport;

namespace {

std::string qpdbf(const std::string& args, int* status = nullptr)
{
    std::string out;
    int code = runCommand(std::string(QP_TOOLS_DIR) + "/qpdbf " + args + " 2>&1", &out);
    if (status)
        *status = code;
    return out;
}

TEST(Qpdbf, ReadsTheReferenceTable)
{
    const std::string table = fixturePath("xbase/ADDRREF.DBF");
    EXPECT_NE(qpdbf("info " + table).find("records: 300"), std::string::npos);

    QJsonDocument dump = QJsonDocument::fromJson(QByteArray::fromStdString(qpdbf("dump --json --deleted " + table)));
    QJsonObject expected = readJson(fixturePath("xbase/ADDRREF.expected.json")).object();
    ASSERT_EQ(dump.array().size(), expected["records"].toArray().size());
    QJsonObject first = dump.array()[0].toObject();
    QJsonObject want = expected["records"].toArray()[0].toObject();
    EXPECT_EQ(first["values"].toObject()["LNAME"], want["values"].toObject()["LNAME"]);
    EXPECT_EQ(first["values"].toObject()["MEMO"], want["memo"].toObject()["MEMO"]);

    EXPECT_EQ(qpdbf("count " + table + " 'UPPER(LNAME) = \"SMITH\"'"), "31\n");
    EXPECT_EQ(qpdbf("count " + table + " 'UPPER(LNAME) = \"SMITH\"' --deleted"), "36\n");
    EXPECT_EQ(qpdbf("check " + table), "26 orders sound\n");
    EXPECT_EQ(qpdbf("seek " + table + " ZIP 606"), "found 13\n");

    int status = 0;
    qpdbf("count " + table + " 'UPPER(LNAME'", &status);
    EXPECT_EQ(status, 1);
    qpdbf("frobnicate " + table, &status);
    EXPECT_EQ(status, 2);
}

TEST(Qpdbf, CreatesFillsIndexesAndPacks)
{
    TempDir dir;
    const std::string table = dir.file("T.DBF");
    writeFile(dir.file("rows.csv"), "NAME,NOTE\r\nCole,\"says \"\"hi\"\"\"\r\nAble,x\r\n");
    int status = 0;
    qpdbf("create " + table + " NAME:C:10 NOTE:M", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(qpdbf("append-csv " + table + " " + dir.file("rows.csv")), "2 records appended\n");
    EXPECT_EQ(qpdbf("index " + table + " NAME 'UPPER(NAME)'"), "tag 1\n");
    EXPECT_EQ(qpdbf("order " + table + " NAME"), "[2, 1]\n");
    EXPECT_EQ(qpdbf("eval " + table + " NOTE"), "1 \"says \"hi\"\"\n2 \"x\"\n");
    EXPECT_EQ(qpdbf("reindex " + table), "1 tags rebuilt\n");
    EXPECT_EQ(qpdbf("pack " + table), "2 records\n");
    EXPECT_EQ(qpdbf("check " + table), "1 orders sound\n");
}

}  // namespace
