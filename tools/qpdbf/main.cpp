// qpdbf: look into and change xBase tables from the command line.
//
//   qpdbf info FILE                      header, fields, record count
//   qpdbf dump FILE [--json] [--deleted] records with delete flags and memos
//   qpdbf count FILE EXPR [--deleted]    records matching a query
//   qpdbf eval FILE EXPR                 the expression's value per record
//   qpdbf create FILE NAME:TYPE:LEN[:DEC]...
//   qpdbf append-csv FILE CSV            rows appended by field name (header row)
//   qpdbf pack FILE | zap FILE
//   qpdbf tags FILE [--json]             the production index's tags
//   qpdbf order FILE TAG                 record numbers in key order (JSON)
//   qpdbf seek FILE TAG KEY [--exact] [--soft]
//   qpdbf index FILE TAG EXPR            builds a tag
//   qpdbf reindex FILE                   rebuilds every tag
//   qpdbf check FILE                     verifies every tag against the records
//
// --deleted shows delete-marked records (hidden by default). Exit status 0
// on success, 1 on an engine error (its message on stderr) or a failed
// check, 2 on misuse, 3 when seek finds nothing.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "xbase/Error.h"

namespace {

int usage()
{
    std::cerr << "usage: qpdbf info|dump|count|eval|create|append-csv|pack|zap|tags|order|seek|index|reindex|check FILE [ARGS]\n"
                 "             [--json] [--deleted] [--exact] [--soft]\n";
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> args;
    qpdbf::Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--json")
            options.json = true;
        else if (arg == "--deleted")
            options.showDeleted = true;
        else if (arg == "--exact")
            options.exact = true;
        else if (arg == "--soft")
            options.soft = true;
        else
            args.push_back(arg);
    }
    if (args.size() < 2)
        return usage();
    try {
        return qpdbf::run(args, options, std::cout);
    } catch (const xbase::Error& error) {
        std::cerr << "qpdbf: " << xbase::toString(error.kind()) << ": " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "qpdbf: " << error.what() << "\n";
        return 1;
    }
}
