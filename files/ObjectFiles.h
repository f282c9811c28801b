#pragma once

// Object files (".vro"): what a scene file cannot give back. A file is a sequence of records, each a
// 32-bit little-endian byte count and that many bytes of one component stream. Record 1 is the
// layer-set container, record 2 the menu item whose sub-items are the remembered plane-mark
// positions. Files of the older layer-set layout are read through the converter classes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/Menus.h"
#include "platform/PublishedProperties.h"
#include "platform/StreamIO.h"
#include "scene/DX9Square.h"

namespace vrel {

// Writes the component (signature and record, the component itself as root) as one record. On
// error the writer is left with part of the record.
void WriteComponentRecord(const TComponent& component, StreamWriter& writer);

// Reads one record into `component` when the reader is not at its end and the count is above 0;
// returns whether a stream was read. A negative count, or one beyond the bytes left, raises
// "ストリームからの読み込みエラー". Reads straight into `component` (callers that must not leave it
// half read give it a fresh object, as the object-file loader does).
bool ReadComponentRecord(TComponent& component, StreamReader& reader);
// The same, charging what it makes to a budget shared with the file's other records.
bool ReadComponentRecord(TComponent& component, StreamReader& reader, TReadBudget& budget);

// The two records of an object file. Sets the container's CurrentIndex from its layer set first.
// `menuItem` may be nullptr: the file then holds record 1 only. Raises Exception naming the layer,
// blade and corner when a blade could not be read back as it is (a corner without a vertex, or
// bound to another layer's), before anything is written.
std::string ObjectFileBytes(TSquareBladeCollectionsContainer& container, const TMenuItem* menuItem);

// Writes ObjectFileBytes to a temporary file beside `fileName` (UTF-8) and renames it over the
// target, so that a failed save leaves the old file. Raises an Exception with the file system's
// reason when the file cannot be written.
void SaveObjectFileRecords(const std::string& fileName, TSquareBladeCollectionsContainer& container,
                           const TMenuItem* menuItem);

// The largest object file a load reads; a larger one is refused before any of it is read.
inline constexpr std::size_t kMaxObjectFileSize = std::size_t{256} << 20;

// Loads an object file into the document: the layers replace the container's, the stored current
// layer is clamped into the layer set, and when `menuItem` is given its sub-items are replaced by
// the file's (none when the file has no second record). Files of the older layout are read through
// TVrelConverter. Record 1 is all or nothing: on its error the exception goes to the caller and
// neither the container nor the menu item has changed. Once record 1 has been read whole the
// container takes it, and an error in record 2 then empties the menu item's sub-items and goes to
// the caller. A missing file (or a folder of that name) is not an error: returns false and changes
// nothing. A FIFO, a device or a file larger than kMaxObjectFileSize raises Exception naming the
// file, without waiting on it and with nothing changed.
bool LoadObjectFileRecords(const std::string& fileName, TSquareBladeCollectionsContainer& container,
                           TMenuItem* menuItem);
// The same for the bytes of a file; answers whether record 1 held a stream (an empty file, or a
// first count of 0, holds none and leaves the container without layers).
bool LoadObjectFileRecordsFromBytes(std::string_view bytes, TSquareBladeCollectionsContainer& container,
                                    TMenuItem* menuItem);

// Registers the classes that object files and snapshots create by name (the containers, the menu
// item, the vector holder, the converter). Safe to call more than once.
void RegisterFileClasses();

}  // namespace vrel
