#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <QByteArray>
#include <QString>
#include <memory>

// Owning pointers for the OpenSSL objects the platform uses, and the few conversions that the
// device identity and the secure transport share.
namespace platform::openssl {

struct Free {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(X509* certificate) const { X509_free(certificate); }
  void operator()(BIO* bio) const { BIO_free_all(bio); }
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using Key = std::unique_ptr<EVP_PKEY, Free>;
using Certificate = std::unique_ptr<X509, Free>;
using Bio = std::unique_ptr<BIO, Free>;
using Context = std::unique_ptr<SSL_CTX, Free>;
using Ssl = std::unique_ptr<SSL, Free>;

// The SHA-256 of the key's public half in DER SubjectPublicKeyInfo form; empty on failure.
QByteArray PinOfKey(EVP_PKEY* key);
// OpenSSL's most recent error on this thread, as text, and clears the queue.
QString LastError();

Key ReadKey(const QByteArray& pem);
Certificate ReadCertificate(const QByteArray& pem);

}  // namespace platform::openssl
