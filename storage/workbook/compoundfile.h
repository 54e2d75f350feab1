#pragma once

#include <optional>
#include <string>
#include <string_view>

/// The workbook stream ("Workbook", or "Book" of Excel 5 and 95 files) of an OLE2 compound file,
/// cut to its declared size; nothing when there is none or the container is malformed. Every
/// sector chain is bounded by the file's own size, so a crafted file can not make this loop.
std::optional<std::string> CompoundWorkbookStream(std::string_view bytes);

/// True when the compound file holds the EncryptionInfo and EncryptedPackage streams: an .xlsx
/// (or .docx ...) saved with a password, which spreadsheets wrap this way.
bool CompoundHoldsEncryptedPackage(std::string_view bytes);
