#pragma once
// The six system tables of the sysdata folder: file name, fields in file
// order and the one index tag their CDX holds. Plain C++ over the engine's
// FieldSpec and nothing else, so that the tool that builds the delivered
// tables (tools/mksysdata, which links the engine only) and the program's
// openers share one description of each file.
#include <string>
#include <vector>

#include "xbase/DbfFile.h"

namespace data {

enum class SystemTable { Letter, Report, Envelope, Label, LabelTemplate, CityStateZip };

struct SystemTableLayout {
    const char* fileName;       // as created: "LETTER.DBF"
    const char* baseName;       // the file name without extension: "LETTER"
    const char* tagName;        // the tag of its CDX
    const char* keyExpression;  // the key of that tag
    bool createdWhenMissing;    // LBLTPL and CSZ are delivered, never created
    std::vector<xbase::FieldSpec> fields;
};

// Field widths of the layouts: N 6.3 lengths in inches, N 2 counts.
inline xbase::FieldSpec CharacterField(const char* name, int length)
{
    return {name, xbase::FieldType::Character, length, 0};
}
inline xbase::FieldSpec NumericField(const char* name, int length, int decimals)
{
    return {name, xbase::FieldType::Numeric, length, decimals};
}
inline xbase::FieldSpec InchesField(const char* name) { return NumericField(name, 6, 3); }

inline const SystemTableLayout& SystemTableLayoutOf(SystemTable table)
{
    using xbase::FieldType::Logical;
    using xbase::FieldType::Memo;
    static const SystemTableLayout kLetter{
        "LETTER.DBF", "LETTER", "DESCRIPT", "UPPER(descript)", true,
        {CharacterField("DESCRIPT", 50), {"RTF", Memo, 10, 0}}};
    static const SystemTableLayout kReport{
        "REPORT.DBF", "REPORT", "DESCRIPT", "UPPER(descript)", true,
        {CharacterField("DESCRIPT", 60), CharacterField("LAYOUT", 60), CharacterField("BINARY", 12)}};
    static const SystemTableLayout kEnvelope{
        "ENVELOPE.DBF", "ENVELOPE", "DESCRIPT", "UPPER(descript)", true,
        {CharacterField("DESCRIPT", 60), NumericField("NUMBER", 5, 0), CharacterField("BINARY", 12)}};
    static const SystemTableLayout kLabel{
        "LABEL.DBF", "LABEL", "DESCRIPT", "UPPER(descript)", true,
        {CharacterField("DESCRIPT", 60), CharacterField("PRINTER", 2), InchesField("LBLHEIGHT"),
         InchesField("LBLWIDTH"), NumericField("NBRACROSS", 2, 0), NumericField("NBRDOWN", 2, 0),
         InchesField("TOPMARG"), InchesField("LEFTMARG"), InchesField("HORIZPITCH"), InchesField("VERTPITCH"),
         InchesField("SHEETWIDTH"), InchesField("SHEETDEPTH"), CharacterField("PAPERSIZE", 5),
         CharacterField("LBLSHAPE", 2), CharacterField("TPLDESCRIP", 60), CharacterField("MANUFAC", 10),
         CharacterField("PRODTYPE", 25), InchesField("MIDEXTRAX"), InchesField("MIDEXTRAY"),
         CharacterField("ART", 12), {"DELETED", Logical, 1, 0}, CharacterField("BINARY", 12)}};
    // The delivered catalogue of label sheets, in the column order of
    // data/label-templates.csv.
    static const SystemTableLayout kLabelTemplate{
        "LBLTPL.DBF", "LBLTPL", "DESCRIPT", "UPPER(descript)", false,
        {CharacterField("DESCRIPT", 60), InchesField("LBLHEIGHT"), InchesField("LBLWIDTH"),
         NumericField("NBRACROSS", 2, 0), NumericField("NBRDOWN", 2, 0), InchesField("TOPMARG"),
         InchesField("LEFTMARG"), InchesField("HORIZPITCH"), InchesField("VERTPITCH"), InchesField("SHEETWIDTH"),
         InchesField("SHEETDEPTH"), CharacterField("PRINTER", 2), CharacterField("PAPERSIZE", 5),
         CharacterField("LBLSHAPE", 2), CharacterField("MANUFAC", 10), CharacterField("PRODTYPE", 25),
         InchesField("MIDEXTRAX"), InchesField("MIDEXTRAY"), CharacterField("ART", 12)}};
    static const SystemTableLayout kCityStateZip{
        "CSZ.DBF", "CSZ", "STATE", "UPPER(state)", false,
        {CharacterField("NAME", 20), CharacterField("STATE", 4), CharacterField("LOW_ZIP", 10),
         CharacterField("HIGH_ZIP", 10)}};

    switch (table) {
    case SystemTable::Letter: return kLetter;
    case SystemTable::Report: return kReport;
    case SystemTable::Envelope: return kEnvelope;
    case SystemTable::Label: return kLabel;
    case SystemTable::LabelTemplate: return kLabelTemplate;
    case SystemTable::CityStateZip: break;
    }
    return kCityStateZip;
}

}  // namespace data
