#include "platform/db/DataSource.h"

namespace platform {

DataSource::DataSource(QObject* parent) : QObject(parent) {}

void DataSource::setDataSet(DataTable* table)
{
    if (table_ == table)
        return;
    for (auto& c : connections_)
        disconnect(c);
    table_ = table;
    if (table) {
        connections_[0] = connect(table, &DataTable::stateChanged, this, &DataSource::stateChanged);
        connections_[1] = connect(table, &DataTable::recordChanged, this, &DataSource::tableRecordChanged);
        connections_[2] = connect(table, &DataTable::fieldChanged, this, &DataSource::dataChanged);
        connections_[3] = connect(table, &DataTable::dataSetChanged, this, &DataSource::tableDataSetChanged);
        connections_[4] = connect(table, &DataTable::fieldsChanged, this, &DataSource::fieldsChanged);
        connections_[5] = connect(table, &QObject::destroyed, this, &DataSource::tableDestroyed);
    }
    emit fieldsChanged();
    emit stateChanged();
    tableDataSetChanged();
}

void DataSource::setAutoEdit(bool on)
{
    if (autoEdit_ == on)
        return;
    autoEdit_ = on;
    emit stateChanged();  // controls change their read-only state
}

DataState DataSource::state() const
{
    return table_ ? table_->state() : DataState::Inactive;
}

void DataSource::tableRecordChanged()
{
    emit dataChanged(nullptr);
}

void DataSource::tableDestroyed()
{
    // The pointer is already cleared: the controls see no table from here on.
    emit fieldsChanged();
    emit stateChanged();
    tableDataSetChanged();
}

void DataSource::tableDataSetChanged()
{
    emit dataSetChanged();
    emit dataChanged(nullptr);
}

}  // namespace platform
