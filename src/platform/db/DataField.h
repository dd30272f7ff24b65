#pragma once
// DataField: one field of a DataTable as the windows see it — a stored field
// of the file or a calculated one the owner adds — with the display
// properties the controls and the grid use (label, visibility, width in
// characters) and the value of the table's current record as a QString.
//
// Fields are owned by their DataTable and live until it removes them: the
// fields made from a file when it is opened go when it is closed; declared
// and calculated fields stay across close and open (see DataTable.h).
// Value accessors require the table to be open; setting a stored field
// requires the edit or insert state; a calculated field is set only by the
// table's calculated-fields handler. Failures throw xbase::Error.
#include <QString>
#include <QVariant>

namespace platform {

class DataTable;

enum class FieldDataType { String, Number, Boolean, Date, Memo, Other };

class DataField {
public:
    DataField(const DataField&) = delete;
    DataField& operator=(const DataField&) = delete;

    DataTable& table() const { return table_; }
    const QString& fieldName() const { return name_; }
    // Position in the table's field list.
    int index() const;
    FieldDataType dataType() const { return type_; }
    // Width in bytes as the file gives it (or as declared for a calculated field).
    int size() const { return size_; }
    int decimals() const { return decimals_; }
    bool isCalculated() const { return calculated_; }

    // The label columns and captions show; the field name when none was set.
    QString displayLabel() const { return label_.isEmpty() ? name_ : label_; }
    void setDisplayLabel(const QString& label);
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);
    // Width in characters for a grid column; by default the field's size
    // (5 for logicals, 10 for memos).
    int displayWidth() const;
    void setDisplayWidth(int characters);
    // A number for the owner's own use; the table never reads it.
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // The texts displayText() shows for a logical value.
    void setBooleanTexts(const QString& trueText, const QString& falseText);

    // Character fields without trailing blanks, numbers as their trimmed
    // text, logicals "T"/"F" (empty when blank), dates YYYYMMDD, memos their
    // whole text (lines end in CR LF as stored).
    QString asString() const;
    // Throws InvalidArgument when the text cannot be stored in the file's
    // code page or does not fit the field; nothing is changed then.
    void setAsString(const QString& text);
    bool asBoolean() const;
    void setAsBoolean(bool value);
    // The text a grid cell or a read-only label shows: logicals through the
    // boolean texts, memos their first line, everything else asString().
    QString displayText() const;

private:
    friend class DataTable;
    DataField(DataTable& table, const QString& name, FieldDataType type, int size, bool calculated);

    DataTable& table_;
    QString name_;
    QString label_;
    bool visible_ = true;
    int displayWidth_ = -1;  // -1: from the size
    int tag_ = 0;
    FieldDataType type_;
    int size_;
    int decimals_ = 0;
    bool calculated_;
    bool declared_ = false;  // kept across close and open
    int fileIndex_ = -1;     // the engine's field number while open
    QVariant calcValue_;     // a calculated field's value for the current record
    QString trueText_ = QStringLiteral("True");
    QString falseText_ = QStringLiteral("False");
};

}  // namespace platform
