#pragma once
// The commands of qpdbf, apart from argument parsing so that each is a plain
// function over the engine.
#include <ostream>
#include <string>
#include <vector>

namespace qpdbf {

struct Options {
    bool json = false;
    bool showDeleted = false;
    bool exact = false;
    bool soft = false;
};

// args[0] is the command, args[1] the table. Returns the exit status.
int run(const std::vector<std::string>& args, const Options& options, std::ostream& out);

}  // namespace qpdbf
