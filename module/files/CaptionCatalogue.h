#pragma once

#include <span>
#include <string_view>

namespace veltra {

// The host reads main_<country>.cap, the code module flashkit_<country>.cap.
enum class CaptionFile { Main, Flashkit };

// Each window reads its own texts; a key read by two windows may have a
// different English default in each (BTN_CANCEL), so the reader is part of an entry.
enum class CaptionReader { Host, Sheet, StatusWindow, TestOptions, UploadWindow };

struct CaptionEntry {
    CaptionFile file;
    CaptionReader reader;
    std::string_view section;
    std::string_view key;
    std::string_view defaultText;  // tabs and line feeds as the characters themselves
};

// Every caption of both files with its built-in English text, in the order in
// which each reader reads them.
std::span<const CaptionEntry> CaptionCatalogue();

CaptionFile FileOf(CaptionReader reader);

}  // namespace veltra
