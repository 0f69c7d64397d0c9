#pragma once

#include <jni.h>

#include <cstdint>

// Process-wide state of the JNI binding, guarded by one mutex: the virtual
// machine, the global reference to the driver object of the last OpenDevice, the photo flags
// and the identity-photo bitmap buffer.

namespace korvicard_jni {

inline constexpr int kPhotoBmpSize = 38862;

// Stores the virtual machine and a global reference to object; the previous global
// reference is deleted. False when the virtual machine cannot be had.
bool StoreDriverObject(JNIEnv* env, jobject object);

// The driver's ExtendReadWriteCallBack that forwards each piece to the static Java method
// callBackProcess "(JZ[B)Z" of the stored object's class, on the calling thread.
int JavaTransportCallback(int handle, int direction, unsigned char* buffer, int size);

// Photo flags of SetIdPhotoAddress.
void SetPhotoFlags(std::uint8_t enabled, std::uint8_t flag);
void GetPhotoFlags(std::uint8_t* enabled, std::uint8_t* flag);
// The bitmap buffer, allocated zeroed on first use; null when it cannot be allocated.
std::uint8_t* PhotoBuffer();
// Copies the bitmap buffer (if any) into out (kPhotoBmpSize bytes) and frees it; true when
// there was one.
bool TakePhotoBuffer(std::uint8_t* out);
void FreePhotoBuffer();

}  // namespace korvicard_jni
