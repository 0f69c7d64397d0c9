#include "testbench/core/jpeg_photo.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <csetjmp>
#include <vector>

namespace bench {

namespace {

// libjpeg's error manager ends the program on an error; this one jumps back instead.
struct ReturningErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ReturningErrorManager*>(info->err)->back, 1);
}

// A warning (data cut short, bytes that do not belong) refuses the picture too.
void RefuseWarnings(j_common_ptr info, int level) {
    if (level < 0) JumpBack(info);
}

void IgnoreMessage(j_common_ptr) {}

// Reads the whole picture into image; false on any libjpeg error. Kept apart from
// DecodeJpeg so that nothing with a destructor lives across setjmp.
bool DecodeInto(const std::uint8_t* data, unsigned long size, jpeg_decompress_struct& info,
                ReturningErrorManager& errors, QImage& image) {
    if (setjmp(errors.back) != 0) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    if (image.isNull()) return false;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

QImage DecodeJpeg(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return {};
    jpeg_decompress_struct info{};
    ReturningErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpBack;
    errors.base.emit_message = RefuseWarnings;
    errors.base.output_message = IgnoreMessage;
    QImage image;
    const bool decoded = DecodeInto(bytes.data(), bytes.size(), info, errors, image);
    jpeg_destroy_decompress(&info);
    return decoded ? image : QImage();
}

}  // namespace bench
