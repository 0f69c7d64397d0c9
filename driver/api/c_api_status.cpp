#include "korvicard/KorviCardDriver.h"

// The reader status probe of both interfaces: it asks the reader nothing and always
// answers 0. Two functions, because under stdcall their argument counts differ.

extern "C" int KORVICARD_CALL KorviCardConnectTest(int) {
    return 0;
}

extern "C" int KORVICARD_CALL ICC_Reader_GetStatus(int, int) {
    return 0;
}
