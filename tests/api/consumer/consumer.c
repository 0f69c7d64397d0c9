/* A program built against the installed driver only: its header and its library.
 * usage: korvicard_consumer HOST PORT  (a simulated reader listening there) */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <korvicard/KorviCardDriver.h>

typedef int(KORVICARD_CALL* BeepExport)(int handle, int time);

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "consumer: %s\n", what);
        ++failures;
    }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s HOST PORT\n", argv[0]);
        return 2;
    }
    const int port = atoi(argv[2]);
    char text[64];

    int handle = KorviCardOpenDevice(argv[1], port, 0, 0, 2000, NULL);
    check(handle > 0, "the simulated reader did not open");
    check(KorviCardGetErrorCode(handle) == 0, "a fresh reader has an error code");
    memset(text, 0, sizeof text);
    check(KorviCardGetLibBuildTime(handle, text, sizeof text) == 1 && strlen(text) == 20,
          "no build time");

    /* A card command, once the library exports it: one request and its reply. */
    BeepExport beep = (BeepExport)dlsym(RTLD_DEFAULT, "KorviCardBeep");
    if (beep != NULL) {
        check(beep(handle, 20) == 1, "the beep failed");
        check(KorviCardGetErrorCode(handle) == 0, "the beep left an error code");
    } else {
        printf("consumer: KorviCardBeep not built yet, no card command sent\n");
    }
    KorviCardCloseDevice(handle);
    check(KorviCardGetErrorCode(handle) == 1, "a closed handle still answers");

    check(KorviCardOpenDevice("/nonexistent/korvicard-port", 0, 0, 0, 500, NULL) == -1,
          "an open without a reader succeeded");
    check(KorviCardGetErrorCode(-1) == 1, "the failed handle has an error code");

    char des[17];
    check(KorviCardDes("0123456789ABCDEF", "133457799BBCDFF1", des, 16, 0) == 1 &&
              memcmp(des, "85E813540F0AB405", 16) == 0,
          "DES gave another result");

    if (failures == 0) {
        printf("consumer: reader opened, used and closed\n");
    }
    return failures == 0 ? 0 : 1;
}
