#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/Device.h"
#include "support/TempDevice.h"

using platform::Hive;
using platform::RegistryKey;
using platform::ValueType;

namespace {

const QString kOptions = QStringLiteral("Software\\Quillfen\\Options");

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_options.Create(Hive::CurrentUser, kOptions)); }

  TempDevice m_device;
  RegistryKey m_options;
};

TEST(RegistryKeys, OpenFailsForMissingKeysAndCreateMakesParents) {
  TempDevice device;
  RegistryKey key;
  EXPECT_FALSE(key.Open(Hive::CurrentUser, kOptions));  // nothing stored yet
  EXPECT_FALSE(key.IsOpen());

  ASSERT_TRUE(key.Create(Hive::CurrentUser, kOptions));
  EXPECT_TRUE(key.IsOpen());
  RegistryKey parent;
  EXPECT_TRUE(parent.Open(Hive::CurrentUser, "Software\\Quillfen"));
  EXPECT_TRUE(parent.Open(Hive::CurrentUser, "Software"));
  EXPECT_FALSE(parent.Open(Hive::CurrentUser, "Software\\Quill"));
  EXPECT_FALSE(parent.Open(Hive::CurrentUser, kOptions + "\\Deeper"));
  EXPECT_FALSE(parent.Open(Hive::LocalMachine, kOptions));  // hives are separate

  // Key paths compare without regard to case.
  EXPECT_TRUE(parent.Open(Hive::CurrentUser, "SOFTWARE\\quillfen\\OPTIONS"));
  EXPECT_TRUE(parent.Create(Hive::CurrentUser, "software\\QUILLFEN\\options"));

  // Empty names in a path are refused.
  for (const char* bad : {"\\Software", "Software\\", "Software\\\\Quillfen"}) {
    EXPECT_FALSE(parent.Open(Hive::CurrentUser, bad)) << bad;
    EXPECT_FALSE(parent.Create(Hive::CurrentUser, bad)) << bad;
  }
  EXPECT_FALSE(parent.Open(Hive::CurrentUser, "Software\\\\Quillfen"));
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  ASSERT_TRUE(m_options.SetString("Password Hint", "Password is zqx"));
  ASSERT_TRUE(m_options.SetDword("Timeout", 600000));
  // A scrambled password: 'Z' XOR 0x5A gives a zero code unit inside the value.
  const QByteArray scrambled("\x20\x00\x00\x00\x2b\x00\x00\x00", 8);
  ASSERT_TRUE(m_options.SetBinary("Password", scrambled));
  ASSERT_TRUE(m_options.SetBinary("Empty", QByteArray()));

  ValueType type{};
  QByteArray data;
  ASSERT_TRUE(m_options.Query("Password", type, data));
  EXPECT_EQ(type, ValueType::Binary);
  EXPECT_EQ(data, scrambled);  // whole, by stored length
  ASSERT_TRUE(m_options.Query("Empty", type, data));
  EXPECT_EQ(type, ValueType::Binary);
  EXPECT_TRUE(data.isEmpty());
  ASSERT_TRUE(m_options.Query("Timeout", type, data));
  EXPECT_EQ(type, ValueType::Dword);
  EXPECT_EQ(data, QByteArray("\xc0\x27\x09\x00", 4));  // little-endian
  ASSERT_TRUE(m_options.Query("Password Hint", type, data));
  EXPECT_EQ(type, ValueType::Sz);
  EXPECT_EQ(data.size(), 32);  // 15 units and the terminating zero unit

  QString text;
  uint32_t number = 0;
  EXPECT_TRUE(m_options.QueryString("password hint", text));  // names compare without case
  EXPECT_EQ(text, "Password is zqx");
  EXPECT_TRUE(m_options.QueryDword("TIMEOUT", number));
  EXPECT_EQ(number, 600000u);
  EXPECT_FALSE(m_options.Query("Missing", type, data));
  EXPECT_FALSE(m_options.QueryString("Missing", text));

  // Overwriting replaces type and bytes; the other value names are untouched.
  ASSERT_TRUE(m_options.SetString("timeout", "now a text"));
  EXPECT_FALSE(m_options.QueryDword("Timeout", number));
  EXPECT_TRUE(m_options.QueryString("Timeout", text));
  EXPECT_EQ(text, "now a text");
  EXPECT_TRUE(m_options.Query("Password", type, data));
  EXPECT_EQ(data, scrambled);
}

TEST_F(RegistryTest, TypedReadsRefuseTheWrongTypeOrSize) {
  ASSERT_TRUE(m_options.Set("Short", ValueType::Dword, QByteArray("\x01\x02", 2)));
  ASSERT_TRUE(m_options.Set("Long", ValueType::Dword, QByteArray("\x01\x02\x03\x04\x05", 5)));
  ASSERT_TRUE(m_options.Set("Odd", ValueType::Sz, QByteArray("abc", 3)));
  ASSERT_TRUE(m_options.SetBinary("Four", QByteArray("\x01\x00\x00\x00", 4)));
  ASSERT_TRUE(m_options.SetDword("Number", 5));
  ASSERT_TRUE(m_options.Set("Bare", ValueType::Sz, QByteArray("h\0i\0", 4)));  // no terminator

  uint32_t number = 77;
  QString text = "unchanged";
  EXPECT_FALSE(m_options.QueryDword("Short", number));
  EXPECT_FALSE(m_options.QueryDword("Long", number));
  EXPECT_FALSE(m_options.QueryDword("Four", number));  // 4 bytes, but binary
  EXPECT_EQ(number, 77u);
  EXPECT_FALSE(m_options.QueryString("Odd", text));
  EXPECT_FALSE(m_options.QueryString("Number", text));
  EXPECT_FALSE(m_options.QueryString("Four", text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(m_options.QueryString("Bare", text));
  EXPECT_EQ(text, "hi");

  // Any type reads through Query.
  ValueType type{};
  QByteArray data;
  EXPECT_TRUE(m_options.Query("Short", type, data));
  EXPECT_EQ(type, ValueType::Dword);
  EXPECT_EQ(data.size(), 2);
}

TEST_F(RegistryTest, SettingNeedsAKeyOpenedForWriting) {
  RegistryKey closed;
  EXPECT_FALSE(closed.SetDword("Timeout", 1));
  uint32_t number = 0;
  EXPECT_FALSE(closed.QueryDword("Timeout", number));

  RegistryKey reading;
  ASSERT_TRUE(reading.Open(Hive::CurrentUser, kOptions));
  EXPECT_FALSE(reading.SetDword("Timeout", 1));
  EXPECT_FALSE(reading.QueryDword("Timeout", number));

  RegistryKey writing;
  ASSERT_TRUE(writing.Open(Hive::CurrentUser, kOptions, true));
  EXPECT_TRUE(writing.SetDword("Timeout", 1));
  EXPECT_TRUE(reading.QueryDword("Timeout", number));
  EXPECT_EQ(number, 1u);

  writing.Close();
  EXPECT_FALSE(writing.SetDword("Timeout", 2));
}

TEST(RegistryStrings, EncodeAndDecode) {
  EXPECT_EQ(RegistryKey::EncodeString("ab"), QByteArray("a\0b\0\0\0", 6));
  EXPECT_EQ(RegistryKey::EncodeString(""), QByteArray("\0\0", 2));
  const QString wide = QString::fromUcs4(U"\u00e9\U0001F600");
  QString out;
  ASSERT_TRUE(RegistryKey::DecodeString(RegistryKey::EncodeString(wide), out));
  EXPECT_EQ(out, wide);
  EXPECT_FALSE(RegistryKey::DecodeString(QByteArray("a\0b", 3), out));
  ASSERT_TRUE(RegistryKey::DecodeString(QByteArray("a\0\0\0\0\0", 6), out));
  EXPECT_EQ(out, QString("a") + QChar(0));  // only one terminating unit is removed
  ASSERT_TRUE(RegistryKey::DecodeString(QByteArray(), out));
  EXPECT_TRUE(out.isEmpty());
}

TEST(RegistryDevice, ValuesSurviveReopeningTheDevice) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  {
    platform::Device device(folder.path());
    platform::DeviceScope scope(device);
    RegistryKey key;
    ASSERT_TRUE(key.Create(Hive::LocalMachine, "Software\\Apps\\Quillfen, Inc. Ovelin"));
    ASSERT_TRUE(key.SetString("DCVersion", "1.0"));
  }
  platform::Device device(folder.path());
  platform::DeviceScope scope(device);
  RegistryKey key;
  ASSERT_TRUE(key.Open(Hive::LocalMachine, "software\\apps\\quillfen, inc. ovelin"));
  QString version;
  EXPECT_TRUE(key.QueryString("DCVersion", version));
  EXPECT_EQ(version, "1.0");
}

}  // namespace
