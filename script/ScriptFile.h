#pragma once
// The ".Vantrell" script file: 20 bytes of header fields, the auto-run date and time as locale texts,
// then the rows, each with its delay first. All integers little-endian, all texts UTF-16LE lines ending
// CR LF; no magic number, no version, no byte-order mark.

#include <QString>
#include <memory>
#include <vector>

#include "platform/Archive.h"
#include "script/ActionList.h"
#include "script/ScriptHeader.h"

// A script as read from a file, not yet committed to the open script.
struct CLoadedScript {
    CScriptHeader header;
    std::vector<std::unique_ptr<CMouseAction>> actions;
};

// One row in the file's layout, in either direction.
void SerializeAction(CArchive& ar, CMouseAction& action);

// Writes the header (taking the row count from the list into header.m_iActionCount) and every row.
void StoreScript(CArchive& ar, CScriptHeader& header, const CActionList& rows);
// Reads a whole script into out, whose header holds the values to keep for anything the file does not
// set. Throws CArchiveException when the file ends inside a fixed-width field.
void LoadScript(CArchive& ar, CLoadedScript& out);

// Reads a file into script, leaving it untouched on failure (error then says why). Only a regular file is
// read: a FIFO, a device or a directory fails with "not a regular file", without waiting for a writer. An
// empty regular file sets nothing and succeeds.
bool ReadScriptFile(const QString& path, CLoadedScript& script, QString* error);
// The same from a device already open for reading.
bool ReadScript(QIODevice& device, CLoadedScript& script, QString* error);
// Reads a file as the open script: on success g_scriptHeader takes the file's values and
// g_arrLoadedActions its rows (replacing any not yet taken); on failure both stay exactly as they were.
// Takes regular files only, as ReadScriptFile does.
bool ReadScriptFileIntoOpenScript(const QString& path, QString* error);
// The same from a device already open for reading.
bool ReadScriptIntoOpenScript(QIODevice& device, QString* error);
// Writes a new file and renames it over path, so a failed save leaves the previous file as it was.
bool WriteScriptFile(const QString& path, CScriptHeader& header, const CActionList& rows, QString* error);
