// The streaming writer writes exactly the text QJsonDocument writes of the same document, which
// is what backups were written as before they were streamed.

#include "platform/JsonWriter.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using platform::JsonWriter;

TEST(JsonWriter, EveryCharacterIsEscapedAsQtEscapesIt) {
  for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const QString text =
        QStringLiteral("a") + QChar(static_cast<char16_t>(unit)) + QStringLiteral("\"\\z");
    QByteArray ours;
    JsonWriter::AppendString(ours, text);
    const QByteArray qt = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    ASSERT_EQ(ours, qt.mid(1, qt.size() - 2)) << "U+" << std::hex << unit;
  }
}

TEST(JsonWriter, NestingEmptyContainersAndNumbersAreLaidOutAsQtLaysThemOut) {
  // Appended, since a braced list of one array copies it in some compilers' reading.
  QJsonArray emptyInside;
  emptyInside.append(QJsonArray{});
  const QJsonObject document{
      {"a", QJsonArray{}},
      {"b", QJsonObject{}},
      {"c", QJsonArray{1, INT32_MIN, static_cast<qint64>(UINT32_MAX), 0.5, QJsonValue::Null, "x",
                       QJsonObject{{"d", QJsonArray{}}}, emptyInside}},
      {"e", QJsonObject{{"f", QJsonObject{{"g", QJsonArray{2}}}}}}};
  QByteArray written;
  JsonWriter json([&written](const QByteArray& bytes) {
    written += bytes;
    return true;
  });
  json.BeginObject();
  json.Key("a");
  json.BeginArray();
  json.EndArray();
  json.Key("b");
  json.BeginObject();
  json.EndObject();
  json.Key("c");
  json.BeginArray();
  for (const double number : {1.0, double{INT32_MIN}, double{UINT32_MAX}, 0.5}) {
    json.Number(number);
  }
  json.Null();
  json.String(QStringLiteral("x"));
  json.BeginObject();
  json.Key("d");
  json.BeginArray();
  json.EndArray();
  json.EndObject();
  json.BeginArray();
  json.BeginArray();
  json.EndArray();
  json.EndArray();
  json.EndArray();
  json.Key("e");
  json.BeginObject();
  json.Key("f");
  json.BeginObject();
  json.Key("g");
  json.BeginArray();
  json.Number(2);
  json.EndArray();
  json.EndObject();
  json.EndObject();
  json.EndObject();
  EXPECT_FALSE(json.Failed());
  EXPECT_EQ(written.toStdString(),
            QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString());
}

TEST(JsonWriter, ASinkThatFailsIsToldAndNothingMoreIsHandedToIt) {
  int handed = 0;
  JsonWriter json([&handed](const QByteArray&) {
    ++handed;
    return false;
  });
  json.BeginArray();
  for (int i = 0; i < 100000; ++i) {
    json.String(QStringLiteral("a text that fills the buffer more than once"));
  }
  json.EndArray();
  EXPECT_TRUE(json.Failed());
  EXPECT_EQ(handed, 1);
}

}  // namespace
