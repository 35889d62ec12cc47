#pragma once

#include <QByteArray>
#include <QString>

// The device's own identity on a network: an Ed25519 key pair and a self-signed certificate over
// it, made on first use and kept in the device folder (0600). Other devices know this device by
// the pin of its public key, the SHA-256 of the key's DER SubjectPublicKeyInfo; a person compares
// the same value as the fingerprint. See docs/device-identity.md.
namespace platform {

class DeviceIdentity {
 public:
  static constexpr const char* kKeyFile = "device-key.pem";
  static constexpr const char* kCertificateFile = "device-certificate.pem";

  // The identity kept in folder, made when the folder has none. False with the reason when the
  // files cannot be read or written, or when one is damaged: a damaged key is never replaced by
  // a fresh one, which would silently end every pairing of the device. Without mayCreate (a
  // device opened for reading only) nothing is written, and a missing file is an error.
  bool LoadOrCreate(const QString& folder, QString& error, bool mayCreate = true);

  const QByteArray& KeyPem() const { return m_keyPem; }
  const QByteArray& CertificatePem() const { return m_certificatePem; }
  // The SHA-256 of the public key (32 bytes).
  const QByteArray& Pin() const { return m_pin; }
  QString Fingerprint() const;

 private:
  QByteArray m_keyPem;
  QByteArray m_certificatePem;
  QByteArray m_pin;
};

// A pin as a person reads it: 64 hexadecimal digits in groups of four.
QString FormatFingerprint(const QByteArray& pin);

}  // namespace platform
