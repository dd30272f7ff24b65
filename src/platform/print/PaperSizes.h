#pragma once
// PaperSizes: the papers the program knows by Windows paper code, with their
// exact sizes in inches (upright) and the names Windows printer drivers give
// them. The built-in "PDF file" printer offers exactly these; for a system
// printer they give the exact size of a paper its driver reports by code.
#include "platform/print/PrinterService.h"

#include <QPageSize>

#include <optional>
#include <vector>

namespace platform {

// Every known paper, in the order printers list them.
const std::vector<PaperInfo>& StandardPapers();
// The known paper with that Windows code, or nothing.
std::optional<PaperInfo> StandardPaper(int code);
// A paper as a printer reports it through Qt: its name, Windows code and
// exact size (from the table when the code is known, else Qt's definition).
PaperInfo PaperFromPageSize(const QPageSize& pageSize);
// A custom paper of the given upright size.
PaperInfo CustomPaper(double width, double height);

}  // namespace platform
