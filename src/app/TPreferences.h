#pragma once
// TPreferences: the dialog "Preferences" — how new records are added: the
// three adding options, the default country, the fields carried forward and
// the fields skipped (settings section "Adding", data::AddingPreferences).
// Opening reads every key; Ok writes every key and closes; Cancel closes
// without writing. The main window reads the preferences again afterwards,
// whatever the button.
// Requires: a QApplication exists.
#include <QDialog>

#include <array>

#include "data/Preferences.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace app {

class TPreferences : public QDialog {
    Q_OBJECT

public:
    explicit TPreferences(QWidget* parent = nullptr);

    // Fills the dialog from the settings file.
    void LoadPreferences();
    // Writes every key; false when the settings file could not be written.
    bool SavePreferences();

    // The check box of a flag of section "Adding"; its objectName is the key.
    QCheckBox* flagBox(const char* key) const;

private:
    void OkButtonClick();
    void HelpButtonClick();

    std::array<QCheckBox*, data::kAddingFlagCount> flags_{};  // in data::kAddingFlags order

    QLabel* HeadingLabel;
    QLabel* DefaultCountryLabel;
    QLineEdit* DefaultCountry;
    QGroupBox* CarryGroup;
    QGroupBox* SkipGroup;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;
    QToolButton* MouseHelpButton;
};

}  // namespace app
