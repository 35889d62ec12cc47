// The streaming reader against QJsonDocument: the same values from the same text, however the
// input is cut into pieces, and the same texts refused.

#include "platform/JsonReader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

namespace {

using platform::JsonReader;

// Builds the value the events describe.
class Builder : public platform::JsonHandler {
 public:
  QJsonValue result;

  bool BeginObject() override { return Open(QJsonObject{}); }
  bool BeginArray() override { return Open(QJsonArray{}); }
  bool EndObject() override { return Close(); }
  bool EndArray() override { return Close(); }
  bool Key(const QString& name) override {
    m_keys.back() = name;
    return true;
  }
  bool String(const QString& text) override { return Add(text); }
  bool Number(double value) override { return Add(value); }
  bool Bool(bool value) override { return Add(value); }
  bool Null() override { return Add(QJsonValue::Null); }

 private:
  bool Open(const QJsonValue& container) {
    m_open.push_back(container);
    m_keys.emplace_back();
    return true;
  }
  bool Close() {
    const QJsonValue done = m_open.back();
    m_open.pop_back();
    m_keys.pop_back();
    return Add(done);
  }
  bool Add(const QJsonValue& value) {
    if (m_open.empty()) {
      result = value;
    } else if (m_open.back().isArray()) {
      QJsonArray array = m_open.back().toArray();
      array.append(value);
      m_open.back() = array;
    } else {
      QJsonObject object = m_open.back().toObject();
      object.insert(m_keys.back(), value);
      m_open.back() = object;
    }
    return true;
  }

  std::vector<QJsonValue> m_open;
  std::vector<QString> m_keys;
};

// Hands out its bytes one at a time, so that every value is cut between pieces.
class Trickle : public QIODevice {
 public:
  explicit Trickle(QByteArray bytes) : m_bytes(std::move(bytes)) { open(QIODevice::ReadOnly); }

 protected:
  qint64 readData(char* data, qint64 size) override {
    if (m_at == m_bytes.size() || size == 0) {
      return 0;
    }
    data[0] = m_bytes[m_at++];
    return 1;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray m_bytes;
  qsizetype m_at = 0;
};

constexpr JsonReader::Limits kLimits{1 << 20, 16};

TEST(JsonReader, ReadsWhatQtReadsInPiecesOfAnySize) {
  const QByteArray texts[] = {
      R"({"a": [1, -2.5e3, 0, -0, 1E+2, 4294967295, true, false, null, {}, [], [[]]]})",
      R"( [ "plain", "tab\tquote\"slash\/back\\", "\u00e9\u674e\ud83d\ude00", "\ud83d", "\udc00x" ] )",
      "{\"utf8\": \"M\xc3\xbcller \xe6\x9d\x8e \xf0\x9f\x98\x80\", \"k\": {\"n\": {\"m\": "
      "[\"\"]}}}",
      R"("just a text")",
      "123",
  };
  for (const QByteArray& text : texts) {
    SCOPED_TRACE(text.toStdString());
    const QJsonDocument qt = QJsonDocument::fromJson(QByteArray("[") + text + "]");
    ASSERT_FALSE(qt.isNull());
    for (const bool trickle : {false, true}) {
      QByteArray copy = text;
      QBuffer whole(&copy);
      whole.open(QIODevice::ReadOnly);
      Trickle pieces(text);
      JsonReader reader(trickle ? static_cast<QIODevice&>(pieces) : whole, kLimits);
      Builder built;
      ASSERT_TRUE(reader.Read(built)) << reader.Error().toStdString();
      EXPECT_EQ(built.result, qt.array().first());
      EXPECT_EQ(reader.Position(), text.size());
    }
  }
}

TEST(JsonReader, RefusesWhatIsNotJsonOrBreaksALimitAndSaysWhere) {
  const struct {
    QByteArray text;
    const char* error;
  } cases[] = {
      {"", "the input is empty at offset 0"},
      {"[1,]", "a value expected at offset 3"},
      {"{\"a\" 1}", "\":\" expected at offset 5"},
      {"{\"a\": 1 \"b\": 2}", "\",\" or \"}\" expected at offset 8"},
      {"[01]", "a malformed or overlong number at offset 3"},
      {"[1.]", "a malformed or overlong number at offset 3"},
      {"[-]", "a malformed or overlong number at offset 2"},
      {"[1e999]", "a number out of range at offset 6"},
      {"[tru]", "a value expected at offset 5"},
      {"[\"a\\x\"]", "an unknown escape at offset 5"},
      {"[\"\\u12g4\"]", "a malformed \\u escape at offset 7"},
      {"[\"a\nb\"]", "a control character inside a text at offset 3"},
      {"[\"\xc3\x28\"]", "a text that is not UTF-8 at offset 4"},
      {"[\"\xe0\x80\xaf\"]", "a text that is not UTF-8 at offset 5"},
      {"[\"\xed\xa0\x80\"]", "a text that is not UTF-8 at offset 5"},
      {"[\"open", "the document ends inside a text at offset 6"},
      {"[1] 2", "text after the end of the document at offset 4"},
      {"[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]",
       "more than 16 levels of arrays and objects at offset 17"},
      {"\"" + QByteArray((1 << 20) + 1, 'x') + "\"", "a text longer than 1048576 characters"},
  };
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text.left(40).toStdString());
    Trickle pieces(text);
    JsonReader reader(pieces, kLimits);
    Builder built;
    EXPECT_FALSE(reader.Read(built));
    EXPECT_TRUE(reader.Error().startsWith(QLatin1String(error))) << reader.Error().toStdString();
  }
}

}  // namespace
