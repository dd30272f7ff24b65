#include "platform/db/FieldLink.h"

namespace platform {

FieldLink::FieldLink(QObject* parent) : QObject(parent) {}

void FieldLink::setDataSource(DataSource* source)
{
    if (source_ == source)
        return;
    for (auto& c : connections_)
        disconnect(c);
    source_ = source;
    if (source) {
        connections_[0] = connect(source, &DataSource::dataChanged, this, &FieldLink::dataChanged);
        connections_[1] = connect(source, &DataSource::stateChanged, this, &FieldLink::changed);
        connections_[2] = connect(source, &DataSource::fieldsChanged, this, &FieldLink::changed);
        connections_[3] = connect(source, &QObject::destroyed, this, &FieldLink::changed);
    }
    emit changed();
}

void FieldLink::setFieldName(const QString& name)
{
    fieldName_ = name;
    emit changed();
}

DataField* FieldLink::field() const
{
    DataTable* t = table();
    if (!t || !t->isActive() || fieldName_.isEmpty())
        return nullptr;
    return t->findField(fieldName_);
}

bool FieldLink::isEditing() const
{
    DataTable* t = table();
    return t && t->isEditing();
}

bool FieldLink::canModify() const
{
    DataField* f = field();
    if (!f || f->isCalculated() || !f->table().canModify())
        return false;
    DataTable& t = f->table();
    if (t.isEditing())
        return true;
    return source_->autoEdit() && t.state() == DataState::Browse && !t.isEmpty();
}

bool FieldLink::startEdit()
{
    if (!canModify())
        return false;
    DataTable* t = table();
    if (!t->isEditing())
        t->edit();
    return true;
}

void FieldLink::dataChanged(DataField* f)
{
    // A change of another field does not concern this control.
    if (f && f->fieldName().compare(fieldName_, Qt::CaseInsensitive) != 0)
        return;
    emit changed();
}

}  // namespace platform
