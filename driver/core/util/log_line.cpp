#include "core/util/log_line.h"

#include <cstdio>
#include <cstring>

std::string FormatLogLine(const std::tm& localTime, int milliseconds, const char* text) {
    static constexpr char kEnd[] = "\r\n";
    static constexpr std::size_t kEndLength = sizeof kEnd - 1;
    char stamp[96];
    const int stampLength =
        std::snprintf(stamp, sizeof stamp, "%d-%d-%d %d:%d:%d:%d ", localTime.tm_year + 1900,
                      localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour, localTime.tm_min,
                      localTime.tm_sec, milliseconds);
    std::string out(stamp, stampLength > 0 ? static_cast<std::size_t>(stampLength) : 0);
    const std::size_t room = kLogLineMaxLength - kEndLength;
    if (text != nullptr && out.size() < room) {
        out.append(text, strnlen(text, room - out.size()));
    }
    out.append(kEnd, kEndLength);
    return out;
}

int SaveLog(const char* fileName, const char* line, int append) {
    if (fileName == nullptr || line == nullptr) return -1;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm localTime{};
    localtime_r(&now.tv_sec, &localTime);
    const std::string text =
        FormatLogLine(localTime, static_cast<int>(now.tv_nsec / 1000000), line);
    if (append == 0) return 0;
    std::FILE* file = std::fopen(fileName, "ab");
    if (file == nullptr) return -1;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? 0 : -1;
}
