#include "platform/OpenSslSupport.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/sha.h>

namespace platform::openssl {

QByteArray PinOfKey(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int length = key != nullptr ? i2d_PUBKEY(key, &der) : -1;
  if (length <= 0) {
    return {};
  }
  QByteArray pin(SHA256_DIGEST_LENGTH, Qt::Uninitialized);
  SHA256(der, static_cast<size_t>(length), reinterpret_cast<unsigned char*>(pin.data()));
  OPENSSL_free(der);
  return pin;
}

QString LastError() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) {
    return QStringLiteral("unknown error");
  }
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return QString::fromLatin1(text);
}

Key ReadKey(const QByteArray& pem) {
  Bio bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
  return Key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

Certificate ReadCertificate(const QByteArray& pem) {
  Bio bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
  return Certificate(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

}  // namespace platform::openssl
