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
// Failures raise an Error naming the file: a missing or unreadable file, anything but a regular
// file, an unknown extension, a file that does not decode, or a picture whose decoding would take
// more than PictureDecodeBudget by what its header says.
QImage loadPicture(const QString &path, QSize targetSize = QSize());

// The same for a user's file named by its bytes (a full path as the lists keep it).
QImage loadPictureFile(const QByteArray &localPath, QSize targetSize);

// The same, the picture scaled to fit within `box` keeping its shape, its size read from the file's
// own header once the file is open.
QImage loadPictureFileWithin(const QByteArray &localPath, QSize box);

// A decorative picture of a window's layout: a picture that cannot be loaded gives an empty
// image (and a warning on the terminal), since the window works as well without it.
QImage loadDecoration(const QString &path);

// Sharper screens: beside each of the program's own pictures lie copies drawn at 2, 3 and 4 times
// its size, "Name@2x.ext" to "Name@4x.ext" in its format, but for the 4x copy of a BMP picture,
// which is a PNG ("Name@4x.png"): uncompressed, it would weigh 16 times the picture. A picture
// control shown at a device pixel ratio above 1 draws from the copy that fits, never enlarged
// up to a ratio of 4 (3.6 on a 3840 x 2160 screen).
inline constexpr int LargestArtScale = 4;
inline constexpr int CompressedArtScale = 4;

// The copy for a device pixel ratio: the smallest at or above it, else the largest; 1 (the
// picture itself) up to a ratio of 1.
int artScaleFor(qreal devicePixelRatio);

// "./Image/BtnStart.bmp" and 2 give "./Image/BtnStart@2x.bmp", and 4 "./Image/BtnStart@4x.png";
// scale 1 gives the path itself.
QString artVariantPath(const QString &path, int scale);

// True for the name of such a copy ("BtnStart@2x.bmp").
bool isArtVariantName(const QString &fileName);

// The picture at path for a device pixel ratio, `deviceSize` pixels, drawn from the copy that fits
// the ratio and scaled smoothly to that size. Null, without a word, at a ratio up to 1 and where
// that copy is missing, does not decode or is not `scale` times the picture's own size (a picture
// replaced without its copies): the caller then shows the picture itself.
QImage loadArtForRatio(const QString &path, qreal devicePixelRatio, QSize deviceSize);

// True for the extensions loadPicture accepts.
bool isPictureExtension(const QString &fileName);

// The most memory one picture's decoding may take (the decoder's own buffers and the decoded
// image). A picture that would need more is refused with a message before it is decoded.
inline constexpr qint64 PictureDecodeBudget = 256LL * 1024 * 1024;

// Raises Qt's own limit on a decoded image, lower than the budget (a 48-megapixel photo needs
// more), to the budget. The limit is the whole program's: set once, where the application object
// is made, never from a decoding thread.
void limitPictureDecoding();

} // namespace lettora
