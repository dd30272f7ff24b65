#include "platform/db/Cp1252.h"

#include "xbase/Error.h"

namespace platform {

namespace {

// Unicode of the bytes 0x80..0x9F; the undefined ones map to themselves.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The byte of one UTF-16 unit, or -1.
int byteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

}  // namespace

QString Cp1252::decode(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char b : bytes) {
        auto u = static_cast<unsigned char>(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : char16_t(u));
    }
    return text;
}

std::optional<std::string> Cp1252::tryEncode(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        int b = byteOf(c.unicode());
        if (b < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

QString Cp1252::firstUnencodable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (byteOf(c.unicode()) >= 0)
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            return text.mid(i, 2);
        return QString(c);
    }
    return {};
}

std::string Cp1252::encode(const QString& text, const QString& what)
{
    if (auto bytes = tryEncode(text))
        return *std::move(bytes);
    QString bad = firstUnencodable(text);
    char32_t code = bad.size() == 2 ? QChar::surrogateToUcs4(bad.at(0), bad.at(1)) : bad.at(0).unicode();
    QString message = QStringLiteral("The character \"%1\" (U+%2) in %3 cannot be stored: "
                                     "the file holds only Windows-1252 text")
                          .arg(bad)
                          .arg(QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, QLatin1Char('0')))
                          .arg(what);
    throw xbase::Error(xbase::ErrorKind::InvalidArgument, message.toStdString());
}

}  // namespace platform
