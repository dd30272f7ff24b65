#include "platform/db/DataField.h"

#include <QRegularExpression>

#include <algorithm>

#include "platform/db/DataTable.h"

namespace platform {

DataField::DataField(DataTable& table, const QString& name, FieldDataType type, int size, bool calculated)
    : table_(table), name_(name), type_(type), size_(size), calculated_(calculated)
{
}

int DataField::index() const
{
    return table_.indexOf(this);
}

void DataField::setDisplayLabel(const QString& label)
{
    if (label_ == label)
        return;
    label_ = label;
    table_.fieldPropertiesChanged();
}

void DataField::setVisible(bool visible)
{
    if (visible_ == visible)
        return;
    visible_ = visible;
    table_.fieldPropertiesChanged();
}

int DataField::displayWidth() const
{
    if (displayWidth_ >= 0)
        return displayWidth_;
    switch (type_) {
    case FieldDataType::Boolean:
        return static_cast<int>(std::max({trueText_.size(), falseText_.size(), qsizetype(1)}));
    case FieldDataType::Memo:
        return 10;
    default:
        return std::max(size_, 1);
    }
}

void DataField::setDisplayWidth(int characters)
{
    characters = std::max(characters, 0);
    if (displayWidth_ == characters)
        return;
    displayWidth_ = characters;
    table_.fieldPropertiesChanged();
}

void DataField::setBooleanTexts(const QString& trueText, const QString& falseText)
{
    trueText_ = trueText;
    falseText_ = falseText;
    table_.fieldPropertiesChanged();
}

QString DataField::asString() const
{
    return table_.fieldText(*this);
}

void DataField::setAsString(const QString& text)
{
    table_.setFieldText(*this, text);
}

bool DataField::asBoolean() const
{
    return table_.fieldBoolean(*this);
}

void DataField::setAsBoolean(bool value)
{
    table_.setFieldBoolean(*this, value);
}

QString DataField::displayText() const
{
    if (type_ == FieldDataType::Boolean) {
        // A blank logical (never set) shows nothing rather than "false".
        if (!calculated_ && asString().isEmpty())
            return {};
        return asBoolean() ? trueText_ : falseText_;
    }
    QString text = asString();
    if (type_ == FieldDataType::Memo) {
        qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
        if (end >= 0)
            text.truncate(end);
    }
    return text;
}

}  // namespace platform
