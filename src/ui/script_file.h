// Reading and writing the console's .sql script files.
//
// A script is read as UTF-8 when it begins with the UTF-8 byte-order mark
// (which is dropped) or when its bytes are valid UTF-8; any other bytes are
// read as Windows-1252, the code page such files were most likely written
// in. A script is written as UTF-8 with the byte-order mark, through a
// temporary file that replaces the target only once it is complete.
#ifndef VOSTREL_UI_SCRIPT_FILE_H_
#define VOSTREL_UI_SCRIPT_FILE_H_

#include <QByteArray>
#include <QString>

namespace ui {

// Files larger than this are not loaded.
inline constexpr qint64 kMaxScriptFileBytes = qint64{128} * 1024 * 1024;

QString decodeScript(const QByteArray& bytes);

// Reads `path` into `script`. On failure returns a message for the user and
// leaves `script` as it was.
QString readScriptFile(const QString& path, QString& script);
// Writes `script` to `path`; an empty text on success, else the message.
QString writeScriptFile(const QString& path, const QString& script);

}  // namespace ui

#endif  // VOSTREL_UI_SCRIPT_FILE_H_
