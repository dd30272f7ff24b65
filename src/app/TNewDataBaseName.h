#pragma once
// TNewDataBaseName: the dialog "Create new database", where the user names
// a new address file. It starts with a proposed name, reads the widths of
// new files from the settings (data::ReadNewFieldLengths into
// data::CurrentNewFieldLengths()) and lets the user change them through
// "Specify Field Lengths". "Ok [PgDn]" (or the PgDn key) is enabled only for
// a valid name; the dialog itself creates nothing (see NewDatabase.h).
// Requires: a QApplication exists.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace app {

class TNewDataBaseName : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxNameLength = 8;

    explicit TNewDataBaseName(const QString& proposal, QWidget* parent = nullptr);

    // The name as entered (no extension).
    QString name() const;
    // Non-empty, a letter or "_" first, then letters, digits or "_" (ASCII).
    static bool IsValidName(const QString& name);

private:
    void NameEditChange();
    void OkButtonClick();
    void PageDownPress();
    void FieldLengthsButtonClick();
    void HelpButtonClick();

    QLabel* NameLabel;
    QLineEdit* NameEdit;
    QLabel* InvalidNameLabel;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;
    QPushButton* FieldLengthsButton;
    QToolButton* MouseHelpButton;
};

}  // namespace app
