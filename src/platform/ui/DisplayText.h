#pragma once
// DisplayText: the program's texts are written with CR LF line breaks (and a
// few with a lone CR); Qt breaks lines at LF only and would show a CR as a
// stray glyph. DisplayText turns each CR LF, and each lone CR, into one LF.
#include <QString>

namespace platform {

QString DisplayText(const QString& text);

}  // namespace platform
