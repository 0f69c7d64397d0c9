#include "sim/cards/triple_des.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace sim {

std::array<std::uint8_t, 8> TripleDesEncrypt(std::span<const std::uint8_t> key,
                                             std::span<const std::uint8_t, 8> block) {
    if (key.size() != 8 && key.size() != 16)
        throw std::invalid_argument("DES key of 8 or 16 bytes");
    std::array<std::uint8_t, 16> k{};
    std::copy(key.begin(), key.end(), k.begin());
    if (key.size() == 8) std::copy(key.begin(), key.end(), k.begin() + 8);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    std::array<std::uint8_t, 8> out{};
    int length = 0;
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_des_ede_ecb(), nullptr, k.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_EncryptUpdate(ctx.get(), out.data(), &length, block.data(), 8) != 1 || length != 8) {
        throw std::runtime_error("libcrypto refused the triple-DES block");
    }
    return out;
}

}  // namespace sim
