#include "desktop/cover_loader.h"

#include <filesystem>

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include "library/cover_art.h"
#include "library/file_uri.h"

namespace desktop {
namespace {

// The hash of the entries kept in memory is cleared past this many tracks.
constexpr int kRememberedCovers = 4096;

QSize fitted(QSize size) {
  if (size.width() <= CoverDecoding::kSide && size.height() <= CoverDecoding::kSide) return size;
  return size.scaled(CoverDecoding::kSide, CoverDecoding::kSide, Qt::KeepAspectRatio);
}

// A JPEG ends with its EOI marker (FF D9), give or take trailing padding.
// Without it the decoder fills what is missing with grey and says nothing.
bool jpegComplete(const QByteArray& bytes) {
  qsizetype end = bytes.size();
  while (end > 0 && (bytes[end - 1] == '\0' || bytes[end - 1] == '\n' || bytes[end - 1] == '\r')) --end;
  return end >= 4 && static_cast<unsigned char>(bytes[end - 2]) == 0xff &&
         static_cast<unsigned char>(bytes[end - 1]) == 0xd9;
}

QImage readImageFile(const QString& file) {
  QImageReader reader(file);
  reader.setAllocationLimit(CoverDecoding::kDecodeLimitMiB);
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > CoverDecoding::kSide || size.height() > CoverDecoding::kSide) return {};
  return reader.read();
}

}  // namespace

QImage CoverDecoding::decode(const QByteArray& bytes, QString* reason) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAllocationLimit(kDecodeLimitMiB);
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) {
    *reason = QCoreApplication::translate("CoverLoader", "not a picture that can be read");
    return {};
  }
  if (static_cast<qint64>(size.width()) * size.height() > kMaxPixels) {
    *reason = QCoreApplication::translate("CoverLoader", "the picture is too large (%1 x %2 pixels)")
                  .arg(size.width())
                  .arg(size.height());
    return {};
  }
  if (reader.format() == "jpeg" && !jpegComplete(bytes)) {
    *reason = QCoreApplication::translate("CoverLoader", "the picture is cut short");
    return {};
  }
  const QSize target = fitted(size);
  // JPEG scales while it decodes, in less memory; other formats scale after.
  if (target != size && reader.supportsOption(QImageIOHandler::ScaledSize)) reader.setScaledSize(target);
  QImage image = reader.read();
  if (image.isNull()) {
    *reason = QCoreApplication::translate("CoverLoader", "the picture is damaged (%1)").arg(reader.errorString());
    return {};
  }
  if (image.size() != target) image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

CoverLoader::CoverLoader(library::CoverCache cache, QObject* parent) : QObject(parent), cache_(std::move(cache)) {
  pool_.setMaxThreadCount(1);
  // The worker lives on while covers are being browsed, not for ever.
  pool_.setExpiryTimeout(30'000);
}

CoverLoader::~CoverLoader() {
  pool_.clear();
  pool_.waitForDone();
}

void CoverLoader::request(const QString& location) {
  if (location.isEmpty() || waiting_.contains(location)) return;
  waiting_.insert(location);
  pool_.start([this, location] {
    CoverResult result;
    try {
      result = load(location, cache_);
    } catch (const std::exception& e) {
      result.refused = QString::fromUtf8(e.what());
    }
    QMetaObject::invokeMethod(
        this, [this, location, result] { finish(location, result); }, Qt::QueuedConnection);
  });
}

QString CoverLoader::cachedFile(const QString& location, bool* known) const {
  const auto it = files_.constFind(location);
  const bool found = it != files_.constEnd() && (it->isEmpty() || QFileInfo::exists(*it));
  if (known != nullptr) *known = found;
  return found ? *it : QString();
}

void CoverLoader::waitForIdle() {
  pool_.waitForDone();
  QCoreApplication::sendPostedEvents(this);
}

void CoverLoader::finish(const QString& location, const CoverResult& result) {
  waiting_.remove(location);
  const bool reported = files_.contains(location);
  if (files_.size() >= kRememberedCovers) files_.clear();
  files_.insert(location, result.file);
  if (!result.refused.isEmpty() && !reported) emit coverRefused(location, result.refused);
  emit coverReady(location, result.file, result.image);
}

namespace {

// The cached copy of `cover`, made when missing or damaged.
CoverResult fromPicture(const library::CoverPicture& cover, library::CoverCache& cache) {
  CoverResult result;
  const std::string key = library::CoverCache::key(cover.source);
  if (const auto entry = cache.find(key)) {
    const QString file = QString::fromStdString(entry->string());
    result.image = readImageFile(file);
    if (!result.image.isNull()) {
      result.file = file;
      return result;
    }
    cache.discard(key);  // damaged: made again below
  }
  const QImage image =
      CoverDecoding::decode(QByteArray(cover.bytes.data(), static_cast<qsizetype>(cover.bytes.size())), &result.refused);
  if (image.isNull()) return result;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!QImageWriter(&buffer, "png").write(image)) {
    result.refused = QCoreApplication::translate("CoverLoader", "the picture cannot be stored");
    return result;
  }
  result.file = QString::fromStdString(cache.store(key, std::string_view(png.constData(), png.size())).string());
  result.image = image;
  return result;
}

}  // namespace

CoverResult CoverLoader::load(const QString& location, library::CoverCache& cache) {
  const std::filesystem::path track = library::uriFilePath(location.toStdString());
  const library::CoverPicture cover = library::readCover(track);
  if (!cover.found()) return CoverResult{{}, {}, QString::fromStdString(cover.refused)};
  CoverResult result = fromPicture(cover, cache);
  // A damaged picture in the tags gives way to the folder's image.
  if (result.file.isEmpty() && cover.source.embedded) {
    const library::CoverPicture folder = library::readFolderCover(track);
    if (folder.found()) {
      CoverResult from_folder = fromPicture(folder, cache);
      if (!from_folder.file.isEmpty()) return from_folder;
    }
  }
  return result;
}

}  // namespace desktop
