#pragma once
// Cp1252: conversion between QString and the Windows-1252 bytes that DBF
// files hold. Decoding never fails: the five bytes 1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control of the same number,
// as Windows does, so that every byte sequence survives a round trip.
// Encoding refuses any character the code page cannot hold ("Łódź", CJK,
// emoji) instead of replacing it: a changed value would be silent data loss.
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Cp1252 {
public:
    static QString decode(std::string_view bytes);
    // The bytes of text, or nothing when a character has no 1252 byte.
    static std::optional<std::string> tryEncode(const QString& text);
    // The first character of text that cannot be stored (a surrogate pair
    // counts as one character), or an empty string when all can.
    static QString firstUnencodable(const QString& text);
    static bool canEncode(const QString& text) { return firstUnencodable(text).isEmpty(); }
    // As tryEncode; throws xbase::Error (InvalidArgument) naming the
    // character and `what` (a field name) when the text cannot be stored.
    static std::string encode(const QString& text, const QString& what);
};

}  // namespace platform
