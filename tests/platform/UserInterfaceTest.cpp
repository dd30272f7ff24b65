#include "platform/ui/UserInterface.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/DisplayText.h"
#include "platform/ui/FileFilter.h"
#include "platform/ui/Messages.h"
#include "platform/ui/QtUserInterface.h"
#include "platform/ui/ScriptedUserInterface.h"

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::ScriptedUserInterface;
using platform::UserInterface;

namespace {

TEST(ScriptedUserInterfaceTest, RecordsInformationWordForWord)
{
    ScriptedUserInterface user;
    const QString text = QStringLiteral("Record copied to Windows Clipboard\r\nSecond line ");
    platform::ShowInformation(text);
    ASSERT_EQ(user.shown().size(), 1u);
    const auto& shown = user.shown().front();
    EXPECT_EQ(shown.kind, ScriptedUserInterface::Kind::Message);
    EXPECT_EQ(shown.message.text, text);
    EXPECT_EQ(shown.message.title, QStringLiteral("Information"));
    EXPECT_EQ(shown.message.icon, MessageIcon::Information);
    EXPECT_EQ(shown.message.buttons, MessageButtons::Ok);
    EXPECT_TRUE(shown.answered) << "an OK box needs no scripted answer";
    EXPECT_TRUE(user.problems().isEmpty());
}

TEST(ScriptedUserInterfaceTest, YesNoQuestions)
{
    const struct {
        bool defaultNo;
        MessageAnswer answer;
        bool expected;
    } cases[] = {
        {false, MessageAnswer::Yes, true},
        {false, MessageAnswer::No, false},
        {true, MessageAnswer::Yes, true},
        {true, MessageAnswer::No, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "defaultNo " << c.defaultNo << " answer " << int(c.answer));
        ScriptedUserInterface user;
        user.answer(c.answer);
        const QString text = QStringLiteral("Delete this record?");
        const bool result = c.defaultNo ? platform::AskYesNoDefaultNo(text, QStringLiteral("Warning!"))
                                        : platform::AskYesNo(text, QStringLiteral("DELETE"));
        EXPECT_EQ(result, c.expected);
        ASSERT_EQ(user.shown().size(), 1u);
        const platform::MessageRequest& shown = user.shown().front().message;
        EXPECT_EQ(shown.icon, MessageIcon::Question);
        EXPECT_EQ(shown.buttons, MessageButtons::YesNo);
        EXPECT_EQ(shown.title, c.defaultNo ? QStringLiteral("Warning!") : QStringLiteral("DELETE"));
        EXPECT_EQ(shown.defaultAnswer, c.defaultNo ? MessageAnswer::No : MessageAnswer::Yes);
        EXPECT_EQ(user.pendingAnswers(), 0);
        EXPECT_TRUE(user.problems().isEmpty());
    }
}

TEST(ScriptedUserInterfaceTest, MissingOrWrongAnswersAreDismissalsAndProblems)
{
    ScriptedUserInterface user;
    // No answer: the question is dismissed as No.
    EXPECT_FALSE(platform::AskYesNo(QStringLiteral("Clone this record?"), QStringLiteral("Clone")));
    ASSERT_EQ(user.problems().size(), 1);
    EXPECT_TRUE(user.problems().at(0).contains(QStringLiteral("Clone this record?")));
    EXPECT_FALSE(user.shown().back().answered);

    // A file answer does not answer a question and stays for the dialog.
    user.answerFile(QStringLiteral("/tmp/a.dbf"));
    EXPECT_FALSE(platform::AskYesNo(QStringLiteral("Again?"), QStringLiteral("Q")));
    EXPECT_EQ(user.problems().size(), 2);
    EXPECT_EQ(user.pendingAnswers(), 1);
    EXPECT_EQ(UserInterface::current().getOpenFileName({}), std::optional<QString>(QStringLiteral("/tmp/a.dbf")));

    // A queued Yes is not used up by an information box...
    user.answerYes();
    platform::ShowInformation(QStringLiteral("Done"));
    EXPECT_EQ(user.pendingAnswers(), 1);
    // ...nor by a box that does not offer Yes.
    platform::MessageRequest okCancel;
    okCancel.buttons = MessageButtons::OkCancel;
    EXPECT_EQ(UserInterface::current().showMessage(okCancel), MessageAnswer::Cancel);
    EXPECT_EQ(user.pendingAnswers(), 1);
    EXPECT_TRUE(platform::AskYesNo(QStringLiteral("Now?"), QStringLiteral("Q")));
    EXPECT_EQ(user.messageTexts(), QStringList({QStringLiteral("Clone this record?"), QStringLiteral("Again?"),
                                                QStringLiteral("Done"), QString(), QStringLiteral("Now?")}));
}

TEST(ScriptedUserInterfaceTest, DialogsTakeTheirAnswersInOrder)
{
    ScriptedUserInterface user;
    user.answerFile(QStringLiteral("/data/ADD0002.DBF"));
    user.answerDialogCancelled();
    user.answerText(QStringLiteral("Smithsonian"));
    user.answerFont(QFont(QStringLiteral("Arial"), 12));
    user.answerColor(QColor(Qt::red));
    user.answerDialogCancelled();

    platform::FileDialogRequest open;
    open.title = QStringLiteral("Open");
    open.filter = QStringLiteral("DBF Files|*.dbf");
    open.defaultExtension = QStringLiteral("DBF");
    open.fileMustExist = true;
    UserInterface& ui = UserInterface::current();
    EXPECT_EQ(ui.getOpenFileName(open), std::optional<QString>(QStringLiteral("/data/ADD0002.DBF")));
    EXPECT_EQ(ui.getSaveFileName(open), std::nullopt);
    platform::TextInputRequest input{QStringLiteral("Memo Search"), QStringLiteral("Search For"), QString(), 5};
    EXPECT_EQ(ui.getText(input), std::optional<QString>(QStringLiteral("Smith")));
    EXPECT_EQ(ui.getFont(QFont(), QStringLiteral("Font")), std::optional<QFont>(QFont(QStringLiteral("Arial"), 12)));
    EXPECT_EQ(ui.getColor(Qt::white, QStringLiteral("Color")), std::optional<QColor>(QColor(Qt::red)));
    EXPECT_EQ(ui.getColor(Qt::white, QStringLiteral("Color")), std::nullopt);

    ASSERT_EQ(user.shown().size(), 6u);
    EXPECT_EQ(user.shown()[0].kind, ScriptedUserInterface::Kind::OpenFile);
    EXPECT_EQ(user.shown()[0].file.filter, QStringLiteral("DBF Files|*.dbf"));
    EXPECT_EQ(user.shown()[0].file.defaultExtension, QStringLiteral("DBF"));
    EXPECT_TRUE(user.shown()[0].file.fileMustExist);
    EXPECT_EQ(user.shown()[1].kind, ScriptedUserInterface::Kind::SaveFile);
    EXPECT_EQ(user.shown()[2].textInput.prompt, QStringLiteral("Search For"));
    EXPECT_EQ(user.shown()[4].color, QColor(Qt::white));
    EXPECT_TRUE(user.problems().isEmpty());
    EXPECT_EQ(user.pendingAnswers(), 0);
}

TEST(ScriptedUserInterfaceTest, InstallsItselfAndPutsBackThePreviousOne)
{
    UserInterface* const before = UserInterface::installed();
    {
        ScriptedUserInterface outer;
        EXPECT_EQ(&UserInterface::current(), &outer);
        {
            ScriptedUserInterface inner;
            EXPECT_EQ(&UserInterface::current(), &inner);
            platform::ShowInformation(QStringLiteral("inner"));
            EXPECT_EQ(inner.shown().size(), 1u);
        }
        EXPECT_EQ(&UserInterface::current(), &outer);
        EXPECT_TRUE(outer.shown().empty());
    }
    EXPECT_EQ(UserInterface::installed(), before);
}

// The real dialogs, driven as a user would: the test acts once the box is up.
class QtUserInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(UserInterface::installed(), nullptr); }
    // Runs `act` on the modal widget as soon as it appears.
    static void WhenShown(std::function<void(QWidget*)> act)
    {
        auto* timer = new QTimer(qApp);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                timer->stop();
                timer->deleteLater();
                act(modal);
                // Should the step fail half-way, the dialog must not hang the test.
                QTimer::singleShot(5000, modal, [modal] {
                    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
                        dialog->reject();
                });
            }
        });
        timer->start();
    }
};

TEST_F(QtUserInterfaceTest, MessageBoxShowsCrLfAsOneBreakAndAsksAsTold)
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    WhenShown([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        defaultButton = box->standardButton(box->defaultButton());
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(platform::AskYesNoDefaultNo(QStringLiteral("<b>a.dbf</b> already exists.\r\nOverwrite?"),
                                            QStringLiteral("Warning!")));
    EXPECT_EQ(text, QStringLiteral("<b>a.dbf</b> already exists.\nOverwrite?"));
    EXPECT_EQ(title, QStringLiteral("Warning!"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(defaultButton, QMessageBox::No);

    WhenShown([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        title = box->windowTitle();
        icon = box->icon();
        box->reject();  // Esc or the close box
    });
    platform::ShowInformation(QStringLiteral("Done"));
    EXPECT_EQ(title, QStringLiteral("Information"));
    EXPECT_EQ(icon, QMessageBox::Information);

    WhenShown([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(platform::AskYesNo(QStringLiteral("Closed without an answer?"), QStringLiteral("Q")));
}

TEST_F(QtUserInterfaceTest, SaveDialogAddsTheDefaultExtensionAndShowsTheFilter)
{
    QTemporaryDir dir;
    QStringList filters;
    WhenShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("export"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Export");
    request.directory = dir.path();
    request.fileName = QStringLiteral("*.DBF");
    request.filter = QStringLiteral("DBF files|*.DBF");
    request.defaultExtension = QStringLiteral("DBF");
    const std::optional<QString> chosen = UserInterface::current().getSaveFileName(request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.filePath(QStringLiteral("export.DBF")));
    EXPECT_EQ(filters, QStringList{QStringLiteral("DBF files (*.DBF)")});

    WhenShown([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(UserInterface::current().getOpenFileName(request), std::nullopt);
}

TEST_F(QtUserInterfaceTest, TextInputKeepsToItsLength)
{
    WhenShown([](QWidget* modal) {
        auto* edit = modal->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QStringLiteral("start"));
        edit->setText(QStringLiteral("much too long"));
        qobject_cast<QDialog*>(modal)->accept();
    });
    platform::TextInputRequest request{QStringLiteral("Memo Search"), QStringLiteral("Search For"),
                                       QStringLiteral("start"), 8};
    EXPECT_EQ(UserInterface::current().getText(request), std::optional<QString>(QStringLiteral("much too")));
}

TEST(FileFilterTest, ConvertsPipeFiltersToQtNameFilters)
{
    const struct {
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"DBF Files|*.dbf", {QStringLiteral("DBF Files (*.dbf)")}},
        {"Text files, CSV Files|*.TXT;*.CSV|All files|*.*",
         {QStringLiteral("Text files, CSV Files (*.TXT *.CSV)"), QStringLiteral("All files (*.*)")}},
        {"Text (*.txt)|*.txt", {QStringLiteral("Text (*.txt)")}},
        {"DBF (dBase)|*.dbf", {QStringLiteral("DBF (dBase) (*.dbf)")}},
        {"Everything", {QStringLiteral("Everything (*)")}},
        {"|*.flt", {QStringLiteral("(*.flt)")}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(platform::FileDialogNameFilters(QString::fromLatin1(c.filter)), c.expected);
    }
}

TEST(DisplayTextTest, EveryCrLfOrLoneCrIsOneBreak)
{
    EXPECT_EQ(platform::DisplayText(QStringLiteral("a\r\nb")), QStringLiteral("a\nb"));
    EXPECT_EQ(platform::DisplayText(QStringLiteral("a\r\n\r\nb")), QStringLiteral("a\n\nb"));
    EXPECT_EQ(platform::DisplayText(QStringLiteral("\rLabel Print Completed!")),
              QStringLiteral("\nLabel Print Completed!"));
    EXPECT_EQ(platform::DisplayText(QStringLiteral("a\nb")), QStringLiteral("a\nb"));
}

}  // namespace
