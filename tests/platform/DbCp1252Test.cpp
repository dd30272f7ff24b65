// The code page conversion under every value the files can hold.
#include <gtest/gtest.h>

#include "platform/db/Cp1252.h"
#include "xbase/Error.h"

using platform::Cp1252;

TEST(DbCp1252, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    QString text = Cp1252::decode(all);
    ASSERT_EQ(text.size(), 256);
    auto back = Cp1252::tryEncode(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(DbCp1252, DecodesTheWindowsCharactersNotLatin1)
{
    EXPECT_EQ(Cp1252::decode("\x80"), QString(QChar(0x20AC)));  // euro sign
    EXPECT_EQ(Cp1252::decode("\x93quoted\x94"), QString::fromUtf8("“quoted”"));
    EXPECT_EQ(Cp1252::decode("Z\xFCrich"), QString::fromUtf8("Zürich"));
    EXPECT_EQ(Cp1252::decode("\x8A\x9F"), QString::fromUtf8("ŠŸ"));
}

TEST(DbCp1252, EncodesWhatTheCodePageHolds)
{
    EXPECT_EQ(Cp1252::encode(QString::fromUtf8("Zürich €5 – “ok”"), "x"), "Z\xFCrich \x80\x35 \x96 \x93ok\x94");
}

TEST(DbCp1252, RefusesWhatItCannotHoldNamingTheCharacter)
{
    struct Case {
        const char* text;
        const char* bad;
        const char* code;
    };
    const Case cases[] = {
        {"Łódź", "Ł", "U+0141"},
        {"Tokyo 東京", "東", "U+6771"},
        {"smile 😀", "😀", "U+1F600"},
        {"\xC2\x80", "\xC2\x80", "U+0080"},  // a C1 control whose byte holds the euro sign
    };
    for (const Case& c : cases) {
        QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_FALSE(Cp1252::tryEncode(text).has_value());
        EXPECT_EQ(Cp1252::firstUnencodable(text), QString::fromUtf8(c.bad));
        try {
            Cp1252::encode(text, QStringLiteral("field CITY"));
            ADD_FAILURE() << "no error";
        } catch (const xbase::Error& e) {
            EXPECT_EQ(e.kind(), xbase::ErrorKind::InvalidArgument);
            QString message = QString::fromStdString(e.message());
            EXPECT_TRUE(message.contains(QString::fromUtf8(c.bad))) << e.what();
            EXPECT_TRUE(message.contains(QLatin1String(c.code))) << e.what();
            EXPECT_TRUE(message.contains(QLatin1String("field CITY"))) << e.what();
        }
    }
}
