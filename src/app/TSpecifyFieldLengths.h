#pragma once
// TSpecifyFieldLengths: the dialog "Specify Field Lengths", where the user
// sets the widths of the 18 adjustable fields for the address files created
// next. It shows data::CurrentNewFieldLengths(); Ok stores the boxes there
// (and in the settings file when "Use these settings for all new databases"
// is ticked); Cancel changes nothing.
//
// Each box accepts a width from 10 to 80. Leaving a box with anything else
// puts back the value the box showed when the dialog opened (or when
// Defaults was pressed).
// Requires: a QApplication exists.
#include <QDialog>

#include <array>

#include "data/NewFieldLengths.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace app {

class TSpecifyFieldLengths : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 10;
    static constexpr int kMaximumWidth = 80;

    explicit TSpecifyFieldLengths(QWidget* parent = nullptr);

    // The box of a field ("Field" + its name, as the settings key).
    QLineEdit* box(data::LengthField field) const { return boxes_[static_cast<size_t>(field)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowLengths(const data::NewFieldLengths& lengths);
    // The leave-box rule for one box.
    void CheckBox(size_t field);
    void OkButtonClick();
    void DefaultsButtonClick();
    void HelpButtonClick();

    std::array<QLineEdit*, data::kAdjustableFieldCount> boxes_{};
    std::array<int, data::kAdjustableFieldCount> remembered_{};

    QLabel* NoteLabel;
    QCheckBox* UseForAllCheckBox;
    QPushButton* OkButton;
    QPushButton* HelpButton;
    QPushButton* CancelButton;
    QPushButton* DefaultsButton;
    QToolButton* MouseHelpButton;
};

}  // namespace app
