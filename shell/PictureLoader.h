#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace lettora {

// Loads a picture file, choosing the decoder by the extension: ".bmp", ".jpg", ".jpeg", and
// ".png", ".gif", ".webp" where Qt's image plugins have them. A fixed relative path ("./...")
// is resolved against the program folder; a full path is used as it is.
//
// With a target size the picture is decoded straight to that size (JPEG decodes scaled down in
// the decoder), so a large photo shown small never exists at full size in memory.
//
// Failures raise an Error naming the file: a missing or unreadable file, an unknown extension,
// a file that does not decode, or a picture whose header claims a size too large to hold.
QImage loadPicture(const QString &path, QSize targetSize = QSize());

// The same for a user's file named by its bytes (a full path as the lists keep it).
QImage loadPictureFile(const QByteArray &localPath, QSize targetSize);

// A decorative picture of a window's layout: a picture that cannot be loaded gives an empty
// image (and a warning on the terminal), since the window works as well without it.
QImage loadDecoration(const QString &path);

// True for the extensions loadPicture accepts.
bool isPictureExtension(const QString &fileName);

// The most pixels a picture may have when it is decoded at its own size (128 MB as 32-bit
// pixels). JPEG decodes scaled down by up to 8 in each direction, so a JPEG shown small may
// have 64 times as many.
inline constexpr qint64 MaxNaturalPixels = 32LL * 1024 * 1024;
inline constexpr int MaxScaledDecodeFactor = 8;

} // namespace lettora
