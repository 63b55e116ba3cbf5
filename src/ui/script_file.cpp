#include "ui/script_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace ui {
namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined map to
// the C1 control of the same value, as the system's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromCp1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
  }
  return text;
}

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

}  // namespace

QString decodeScript(const QByteArray& bytes) {
  if (bytes.startsWith(kUtf8Bom)) return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return fromCp1252(bytes);
}

QString readScriptFile(const QString& path, QString& script) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return QStringLiteral("Unable to open \"%1\":\n%2").arg(path, file.errorString());
  }
  if (file.size() > kMaxScriptFileBytes) {
    return QStringLiteral("\"%1\" was not loaded: the file is larger than 128 MiB.").arg(path);
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    return QStringLiteral("Unable to read \"%1\":\n%2").arg(path, file.errorString());
  }
  script = decodeScript(bytes);
  return {};
}

QString writeScriptFile(const QString& path, const QString& script) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return QStringLiteral("Unable to write \"%1\":\n%2").arg(path, file.errorString());
  }
  const QByteArray bytes = script.toUtf8();
  if (file.write(kUtf8Bom) != kUtf8Bom.size() || file.write(bytes) != bytes.size() || !file.commit()) {
    return QStringLiteral("Unable to write \"%1\":\n%2").arg(path, file.errorString());
  }
  return {};
}

}  // namespace ui
