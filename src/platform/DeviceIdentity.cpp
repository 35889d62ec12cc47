#include "platform/DeviceIdentity.h"

#include <openssl/pem.h>
#include <openssl/rand.h>
#include <QDir>
#include <QFile>

#include "platform/OpenSslSupport.h"
#include "platform/PrivateFile.h"

namespace platform {
namespace {

// A certificate that never expires in the life of a device: the key is what other devices pin,
// and its validity dates are not checked by them.
constexpr long kCertificateSeconds = 100L * 365 * 24 * 3600;

// The PEM text that write puts into a memory BIO; empty when it fails.
template <typename Write>
QByteArray Pem(const Write& write) {
  openssl::Bio bio(BIO_new(BIO_s_mem()));
  if (!bio || write(bio.get()) != 1) {
    return {};
  }
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return QByteArray(data, static_cast<qsizetype>(length));
}

QByteArray PemOfKey(EVP_PKEY* key) {
  return Pem([key](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  });
}

QByteArray PemOfCertificate(X509* certificate) {
  return Pem([certificate](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
}

// A self-signed certificate over key, named after the start of the key's fingerprint so that a
// person who reads one can tell devices apart.
QByteArray MakeCertificate(EVP_PKEY* key, const QByteArray& pin) {
  openssl::Certificate certificate(X509_new());
  unsigned char serial[16];
  if (!certificate || RAND_bytes(serial, sizeof serial) != 1) {
    return {};
  }
  serial[0] &= 0x7F;  // a positive serial number
  BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
  ASN1_INTEGER* serialNumber = BN_to_ASN1_INTEGER(number, nullptr);
  BN_free(number);
  const bool serialSet =
      serialNumber != nullptr && X509_set_serialNumber(certificate.get(), serialNumber) == 1;
  ASN1_INTEGER_free(serialNumber);
  X509_NAME* name = X509_get_subject_name(certificate.get());
  const QByteArray commonName = "Ovelin device " + pin.left(4).toHex().toUpper();
  const bool built =
      serialSet && X509_set_version(certificate.get(), 2) == 1 &&
      X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0) != nullptr &&
      X509_gmtime_adj(X509_getm_notAfter(certificate.get()), kCertificateSeconds) != nullptr &&
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                 reinterpret_cast<const unsigned char*>(commonName.constData()),
                                 static_cast<int>(commonName.size()), -1, 0) == 1 &&
      X509_set_issuer_name(certificate.get(), name) == 1 &&
      X509_set_pubkey(certificate.get(), key) == 1 &&
      X509_sign(certificate.get(), key, nullptr) > 0;  // Ed25519 signs without a separate digest
  return built ? PemOfCertificate(certificate.get()) : QByteArray();
}

// Reads a file of the identity; false with the reason when it exists and cannot be read.
bool ReadIfThere(const QString& path, QByteArray& bytes, bool& there, QString& error) {
  QFile file(path);
  there = file.exists();
  if (!there) {
    return true;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
  }
  bytes = file.readAll();
  return true;
}

}  // namespace

bool DeviceIdentity::LoadOrCreate(const QString& folder, QString& error, bool mayCreate) {
  const QDir dir(folder);
  const QString keyPath = dir.filePath(QString::fromLatin1(kKeyFile));
  const QString certificatePath = dir.filePath(QString::fromLatin1(kCertificateFile));
  bool keyThere = false;
  bool certificateThere = false;
  QByteArray keyPem;
  QByteArray certificatePem;
  if (!ReadIfThere(keyPath, keyPem, keyThere, error) ||
      !ReadIfThere(certificatePath, certificatePem, certificateThere, error)) {
    return false;
  }
  if (!mayCreate && (!keyThere || !certificateThere)) {
    error = QStringLiteral(
        "the device has no key yet, and it is not made on a device opened "
        "for reading only");
    return false;
  }

  openssl::Key key;
  if (keyThere) {
    key = openssl::ReadKey(keyPem);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
      error = QStringLiteral("%1 is damaged: it holds no device key").arg(keyPath);
      return false;
    }
  } else {
    key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    keyPem = key ? PemOfKey(key.get()) : QByteArray();
    if (keyPem.isEmpty()) {
      error = QStringLiteral("cannot make a device key: %1").arg(openssl::LastError());
      return false;
    }
    if (!WritePrivateFileAtomically(keyPath, keyPem, error)) {
      return false;
    }
  }
  const QByteArray pin = openssl::PinOfKey(key.get());

  if (certificateThere) {
    const openssl::Certificate certificate = openssl::ReadCertificate(certificatePem);
    if (!certificate || X509_check_private_key(certificate.get(), key.get()) != 1) {
      error = QStringLiteral("%1 is damaged: it does not hold the certificate of %2")
                  .arg(certificatePath, keyPath);
      return false;
    }
  } else {
    // The certificate only wraps the key: made again from it, the device keeps its pin.
    certificatePem = MakeCertificate(key.get(), pin);
    if (certificatePem.isEmpty()) {
      error = QStringLiteral("cannot make the device certificate: %1").arg(openssl::LastError());
      return false;
    }
    if (!WritePrivateFileAtomically(certificatePath, certificatePem, error)) {
      return false;
    }
  }
  m_keyPem = keyPem;
  m_certificatePem = certificatePem;
  m_pin = pin;
  return true;
}

QString DeviceIdentity::Fingerprint() const {
  return FormatFingerprint(m_pin);
}

QString FormatFingerprint(const QByteArray& pin) {
  const QString hex = QString::fromLatin1(pin.toHex().toUpper());
  QStringList groups;
  for (qsizetype i = 0; i < hex.size(); i += 4) {
    groups << hex.mid(i, 4);
  }
  return groups.join(QLatin1Char(' '));
}

}  // namespace platform
