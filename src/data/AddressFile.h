#pragma once
// The address file: the record layout (23 stored fields, the calculated
// fields, labels and display widths), its 26 index tags, and how an address
// file is created, opened, checked and rebuilt. The main window owns the
// table; these routines work on the table they are given and tell the user
// with the program's messages where they fail.
#include <array>
#include <functional>

#include <QString>

#include "data/NewFieldLengths.h"

namespace platform {
class DataTable;
}
namespace xbase {
class Table;
}

namespace data {

struct AddressFieldDef {
    const char* name;
    char type;
    int fixedWidth;       // 0: the width comes from NewFieldLengths
    int lengthIndex;      // index into NewFieldLengths, or -1
    const char* label;    // display label ("" for TAG and MEMO)
};
extern const std::array<AddressFieldDef, 23> kAddressFields;

struct AddressTagDef {
    const char* name;
    const char* expression;
};
// The tags in creation order.
extern const std::array<AddressTagDef, 26> kAddressTags;
// The order in which CheckValidIndex looks the tags up.
extern const std::array<const char*, 26> kTagCheckOrder;

// Declares the address record's fields on a closed DataTable: the stored
// fields with their labels, widths and visibility, the calculated fields,
// in the field-list order of the browse grid.
void ConfigureAddressFields(platform::DataTable& table);

// Creates the file with the widths given, builds its tags and leaves it
// closed. Shows "Create failed" or "File creation failed" and returns false
// on failure.
bool CreateAddressFile(const QString& path, const NewFieldLengths& widths);
// Deletes the table's production index and builds the 26 tags. Shows
// "Unable to create index files" and returns false when any tag fails.
// Requires: the table open. progress gets each tag build's 0..100.
bool CreateAddressTags(xbase::Table& table, const std::function<void(int)>& progress = {});
// One tag; true when the engine built it.
bool AddIndexTag(xbase::Table& table, const QString& name, const QString& expression);
// Closes the table, then opens path into it with the address fields taking
// their widths from the file. Shows "File <path> not found" when it does not
// exist; returns false (table closed) when it cannot be opened or lacks a
// stored field.
bool OpenDBFTable(const QString& path, platform::DataTable& table);
// Whether the open table's index holds all 26 tags.
bool CheckValidIndex(const xbase::Table& table);

// Tag mode progress of the rebuild dialog: each notification p (0..100)
// adds its rise over the last one to a total; the bar shows total ÷ 21,
// rounded, at most 100.
class TagProgress {
public:
    // Returns the bar position for a notification.
    int notify(int percent);
    void reset() { total_ = 0, last_ = 0; }

private:
    int total_ = 0;
    int last_ = 0;
};

// The rebuild of "Rebuild Indexes": deletes the production index, packs the
// table (progress in pack mode), then builds the 26 tags (tag mode). Throws
// on failure, leaving the file without a valid index.
void RebuildAddressFile(xbase::Table& table, const std::function<void(int)>& packProgress,
                        const std::function<void(int)>& tagProgress);

}  // namespace data
