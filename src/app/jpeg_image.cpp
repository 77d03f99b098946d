#include "jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// Pictures larger than this are refused before any pixel memory is taken.
constexpr quint64 MaxPixels = 64ull * 1024 * 1024;

// libjpeg's default error exit ends the process; this one jumps back to the decoder instead.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Fail(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

// A warning means the data is damaged (a truncated file is only a warning to libjpeg, which
// would fill the rest with grey), so it fails the decoding as well. Trace messages are dropped.
void Message(j_common_ptr info, int level) {
  if (level < 0) Fail(info);
}

struct Decoding {
  jpeg_decompress_struct info{};
  ErrorManager error{};
  QImage image;
  QString reason;
};

// Everything that may jump back lives in `d`, outside this function's own frame, so nothing
// is left in an indeterminate state by the jump.
bool Decode(Decoding& d, const QByteArray& data) {
  d.info.err = jpeg_std_error(&d.error.pub);
  d.error.pub.error_exit = Fail;
  d.error.pub.emit_message = Message;
  if (setjmp(d.error.jump)) {
    d.reason = QString::fromLocal8Bit(d.error.message);
    return false;
  }
  jpeg_create_decompress(&d.info);
  jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&d.info, TRUE);
  if (quint64(d.info.image_width) * d.info.image_height > MaxPixels) {
    d.reason = QStringLiteral("Obraz jest zbyt duży (%1 × %2)")
                   .arg(d.info.image_width)
                   .arg(d.info.image_height);
    return false;
  }
  d.info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d.info);
  d.image = QImage(int(d.info.output_width), int(d.info.output_height), QImage::Format_RGB888);
  if (d.image.isNull()) {
    d.reason = QStringLiteral("Brak pamięci na obraz");
    return false;
  }
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW row = d.image.scanLine(int(d.info.output_scanline));
    jpeg_read_scanlines(&d.info, &row, 1);
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data, QString* error) {
  Decoding d;
  const bool ok = Decode(d, data);
  jpeg_destroy_decompress(&d.info);
  if (error) *error = ok ? QString() : d.reason;
  return ok ? d.image : QImage();
}
