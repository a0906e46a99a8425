#include "comm/json/jsontext.h"

#include <QRandomGenerator>
#include <QSize>
#include <QtTest>

#include <limits>

// The codec's reading rules, its exact output spacing (devices receive it) and
// its behaviour on hostile text.
class TestJsonText : public QObject
{
    Q_OBJECT

private slots:
    void nullAndEmptyText();
    void numbers_data();
    void numbers();
    void arraysTolerateStrayCommas();
    void stringEscapes_data();
    void stringEscapes();
    void malformedText_data();
    void malformedText();
    void objectsKeepLastDuplicateAndIgnoreTrailingText();
    void nestingDepthIsLimited();
    void serializeScalars_data();
    void serializeScalars();
    void serializeContainersWithFixedSpacing();
    void serializeEscapesOnlyTheListedCharacters();
    void serializeFailsOnUnwritableValues();
    void randomValuesSurviveARoundTrip();
    void mutatedTextNeverCrashes();
};

void TestJsonText::nullAndEmptyText()
{
    bool ok = false;
    QVERIFY(!JsonText::parse(QString(), ok).isValid());
    QVERIFY(ok);

    ok = true;
    QVERIFY(!JsonText::parse(QStringLiteral(""), ok).isValid());
    QVERIFY(!ok);

    ok = true;
    QVERIFY(!JsonText::parse(QStringLiteral(" \t\r\n"), ok).isValid());
    QVERIFY(!ok);
}

void TestJsonText::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("negative") << "-5" << QVariant(qlonglong(-5));
    QTest::newRow("positive") << "5" << QVariant(qulonglong(5));
    QTest::newRow("fraction") << "2.50" << QVariant(2.5);
    QTest::newRow("exponent without point") << "1e5" << QVariant(qulonglong(0));
    QTest::newRow("run that is no number") << "1-2" << QVariant(qulonglong(0));
    QTest::newRow("lone minus") << "-" << QVariant(qlonglong(0));
    QTest::newRow("exponent with point") << "1.5e3" << QVariant(1500.0);
    QTest::newRow("double overflow") << "1.0e999" << QVariant(0.0);
    QTest::newRow("largest unsigned") << "18446744073709551615"
                                      << QVariant(std::numeric_limits<qulonglong>::max());
    QTest::newRow("leading blanks") << " \n 42" << QVariant(qulonglong(42));
}

void TestJsonText::numbers()
{
    QFETCH(QString, text);
    QFETCH(QVariant, expected);

    bool ok = false;
    const QVariant value = JsonText::parse(text, ok);
    QVERIFY(ok);
    QCOMPARE(value.typeId(), expected.typeId());
    QCOMPARE(value, expected);
}

void TestJsonText::arraysTolerateStrayCommas()
{
    bool ok = false;
    const QVariant value = JsonText::parse(QStringLiteral("[1 2,,3,]"), ok);
    QVERIFY(ok);
    const QVariantList expected{qulonglong(1), qulonglong(2), qulonglong(3)};
    QCOMPARE(value.toList(), expected);
    QCOMPARE(value.toList().at(0).typeId(), int(QMetaType::ULongLong));

    const QVariant object = JsonText::parse(QStringLiteral("{,\"a\":1,,\"b\":true \"c\":null,}"), ok);
    QVERIFY(ok);
    const QVariantMap map = object.toMap();
    QCOMPARE(map.keys(), QStringList({"a", "b", "c"}));
    QCOMPARE(map.value("b"), QVariant(true));
    QVERIFY(!map.value("c").isValid());
}

void TestJsonText::stringEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unicode and unknown escape") << R"("a\u0041\x")" << "aA";
    QTest::newRow("all short escapes") << R"("\"\\\/\b\f\n\r\t")"
                                       << QStringLiteral("\"\\/\b\f\n\r\t");
    QTest::newRow("lower-case hex") << R"("\u00e9")" << QStringLiteral("\u00e9");
    QTest::newRow("hex group that is not hex") << R"("x\u12G4y")" << QString(QLatin1Char('x')) + QChar(0) + "y";
    QTest::newRow("raw control characters kept") << "\"a\x01\tb\"" << "a\x01\tb";
    QTest::newRow("empty") << R"("")" << "";
}

void TestJsonText::stringEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    bool ok = false;
    const QVariant value = JsonText::parse(text, ok);
    QVERIFY(ok);
    QCOMPARE(value.typeId(), int(QMetaType::QString));
    QCOMPARE(value.toString(), expected);
}

void TestJsonText::malformedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expectedType"); // what the failed parse hands back

    const int invalid = QMetaType::UnknownType;
    QTest::newRow("unterminated string") << R"("abc)" << invalid;
    QTest::newRow("backslash at the end") << R"("abc\)" << invalid;
    QTest::newRow("short unicode escape") << R"("\u12")" << invalid;
    QTest::newRow("number instead of colon") << R"({"a" 1})" << int(QMetaType::QVariantMap);
    QTest::newRow("unterminated object") << R"({"a":1)" << int(QMetaType::QVariantMap);
    QTest::newRow("unterminated array") << "[1,2" << int(QMetaType::QVariantList);
    QTest::newRow("member without value") << R"({"a":})" << int(QMetaType::QVariantMap);
    QTest::newRow("non-string key") << "{1:2}" << int(QMetaType::QVariantMap);
    QTest::newRow("closing bracket first") << "]" << invalid;
    QTest::newRow("colon first") << ":" << invalid;
    QTest::newRow("capitalised literal") << "True" << invalid;
    QTest::newRow("short literal") << "nul" << invalid;
    QTest::newRow("bare word") << "hello" << invalid;
    QTest::newRow("failure inside nested array") << R"({"a":[1,{"b":}]})" << int(QMetaType::QVariantMap);
}

void TestJsonText::malformedText()
{
    QFETCH(QString, text);
    QFETCH(int, expectedType);

    bool ok = true;
    const QVariant value = JsonText::parse(text, ok);
    QVERIFY(!ok);
    QCOMPARE(value.typeId(), expectedType);
    if (expectedType == QMetaType::QVariantMap)
        QVERIFY(value.toMap().isEmpty());
    if (expectedType == QMetaType::QVariantList)
        QVERIFY(value.toList().isEmpty());
}

void TestJsonText::objectsKeepLastDuplicateAndIgnoreTrailingText()
{
    bool ok = false;
    const QVariant value = JsonText::parse(QStringLiteral(R"({"k":1,"k":"two"} trailing garbage {)"), ok);
    QVERIFY(ok);
    QCOMPARE(value.toMap(), QVariantMap({{"k", "two"}}));

    // Literals are taken by their first characters only.
    QCOMPARE(JsonText::parse(QStringLiteral("trueish"), ok), QVariant(true));
    QVERIFY(ok);
    QCOMPARE(JsonText::parse(QStringLiteral("[false]"), ok).toList(), QVariantList({false}));
    QVERIFY(ok);
}

void TestJsonText::nestingDepthIsLimited()
{
    const int limit = JsonText::kMaxNestingDepth;
    bool ok = false;

    const QString deepestArray = QString(limit, '[') + QString(limit, ']');
    JsonText::parse(deepestArray, ok);
    QVERIFY(ok);

    const QString tooDeepArray = QString(limit + 1, '[') + QString(limit + 1, ']');
    QVERIFY(!JsonText::parse(tooDeepArray, ok).toList().size());
    QVERIFY(!ok);

    QString deepestObject;
    for (int i = 0; i < limit - 1; ++i)
        deepestObject += QStringLiteral("{\"a\":");
    deepestObject += QStringLiteral("{}") + QString(limit - 1, '}');
    JsonText::parse(deepestObject, ok);
    QVERIFY(ok);
    JsonText::parse(QStringLiteral("{\"a\":") + deepestObject + '}', ok);
    QVERIFY(!ok);

    // Far past any stack: must fail, not overflow.
    JsonText::parse(QString(1000000, '['), ok);
    QVERIFY(!ok);
    JsonText::parse(QStringLiteral("{\"a\":").repeated(200000), ok);
    QVERIFY(!ok);
}

void TestJsonText::serializeScalars_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("invalid") << QVariant() << QByteArray("null");
    QTest::newRow("whole double") << QVariant(2.0) << QByteArray("2.0");
    QTest::newRow("one") << QVariant(1.0) << QByteArray("1.0");
    QTest::newRow("tenth") << QVariant(0.1) << QByteArray("0.10000000000000000555");
    QTest::newRow("large double") << QVariant(1e21) << QByteArray("1e+21");
    QTest::newRow("negative double") << QVariant(-2.5) << QByteArray("-2.5");
    QTest::newRow("uint") << QVariant(7u) << QByteArray("7");
    QTest::newRow("int") << QVariant(-7) << QByteArray("-7");
    QTest::newRow("qulonglong") << QVariant(std::numeric_limits<qulonglong>::max())
                                << QByteArray("18446744073709551615");
    QTest::newRow("qlonglong") << QVariant(std::numeric_limits<qlonglong>::min())
                               << QByteArray("-9223372036854775808");
    QTest::newRow("true") << QVariant(true) << QByteArray("true");
    QTest::newRow("false") << QVariant(false) << QByteArray("false");
    QTest::newRow("text") << QVariant("read system status") << QByteArray("\"read system status\"");
    QTest::newRow("byte array") << QVariant(QByteArray("raw")) << QByteArray("\"raw\"");
    QTest::newRow("date converts to text") << QVariant(QDate(2026, 12, 7)) << QByteArray("\"2026-12-07\"");
}

void TestJsonText::serializeScalars()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);

    bool ok = false;
    QCOMPARE(JsonText::serialize(value, ok), expected);
    QVERIFY(ok);
}

void TestJsonText::serializeContainersWithFixedSpacing()
{
    bool ok = false;
    const QVariantMap envelope{
        {"method", "read system status"},
        {"params", QVariantMap{{"protocol_version", 1}}},
        {"jsonrpc", "2.0"},
        {"id", 57u},
    };
    QCOMPARE(JsonText::serialize(envelope, ok),
             QByteArray(R"({ "id" : 57, "jsonrpc" : "2.0", "method" : "read system status", )"
                        R"("params" : { "protocol_version" : 1 } })"));
    QVERIFY(ok);

    const QVariantMap map{{"b", "x"}, {"a", QVariantList()}};
    QCOMPARE(JsonText::serialize(map, ok), QByteArray(R"({ "a" : [  ], "b" : "x" })"));
    QCOMPARE(JsonText::serialize(QVariantMap(), ok), QByteArray("{  }"));
    QCOMPARE(JsonText::serialize(QStringList({"x", "y"}), ok), QByteArray(R"([ "x", "y" ])"));
    QCOMPARE(JsonText::serialize(QVariantList({1, QVariant(), false}), ok), QByteArray("[ 1, null, false ]"));
    QVERIFY(ok);

    const QVariantHash single{{"only", 1}};
    QCOMPARE(JsonText::serialize(single, ok), QByteArray(R"({ "only" : 1 })"));
    QVERIFY(ok);
}

void TestJsonText::serializeEscapesOnlyTheListedCharacters()
{
    bool ok = false;
    QCOMPARE(JsonText::serialize(QStringLiteral("\"\\"), ok), QByteArray(R"("\"\\")"));
    QCOMPARE(JsonText::serialize(QStringLiteral("\b\f\n\r\t"), ok), QByteArray(R"("\b\f\n\r\t")"));
    QCOMPARE(JsonText::serialize(QStringLiteral("a/b\x01"), ok), QByteArray("\"a/b\x01\""));
    QCOMPARE(JsonText::serialize(QStringLiteral("\u00e9\u20ac"), ok), QByteArray("\"\xc3\xa9\xe2\x82\xac\""));
    QCOMPARE(JsonText::serialize(QVariantMap({{"k\"ey", 1}}), ok), QByteArray(R"({ "k\"ey" : 1 })"));
    QVERIFY(ok);
}

void TestJsonText::serializeFailsOnUnwritableValues()
{
    bool ok = true;
    QVERIFY(JsonText::serialize(QVariant(QSize(1, 2)), ok).isNull());
    QVERIFY(!ok);

    ok = true;
    QVERIFY(JsonText::serialize(QVariantList({1, QSize(1, 2), 3}), ok).isNull());
    QVERIFY(!ok);

    ok = true;
    const QVariantMap nested{{"params", QVariantMap{{"bad", QSize(1, 2)}}}};
    QVERIFY(JsonText::serialize(nested, ok).isNull());
    QVERIFY(!ok);

    // A number without a JSON form is not written as text a device would misread.
    ok = true;
    QVERIFY(JsonText::serialize(std::numeric_limits<double>::infinity(), ok).isNull());
    QVERIFY(!ok);
    ok = true;
    QVERIFY(JsonText::serialize(QVariantList({std::numeric_limits<double>::quiet_NaN()}), ok).isNull());
    QVERIFY(!ok);

    // Success is reset by each call.
    JsonText::serialize(QVariant(1), ok);
    QVERIFY(ok);
}

namespace {

QString randomText(QRandomGenerator &random)
{
    static const QString alphabet = QStringLiteral("ab \"\\/\b\f\n\r\t\x01{}[]:,\u00e9\u20ac0123456789-.eEtrufalsn");
    QString text;
    const int length = random.bounded(12);
    for (int i = 0; i < length; ++i)
        text += alphabet.at(random.bounded(alphabet.size()));
    return text;
}

// Values the reader can give back unchanged: text, integers, doubles with a
// fraction, bools, null, and containers of them.
QVariant randomValue(QRandomGenerator &random, int depth)
{
    switch (random.bounded(depth > 4 ? 6 : 8)) {
    case 0: return randomText(random);
    case 1: return qulonglong(random.generate64());
    case 2: return qlonglong(-qint64(random.bounded(1u << 31)) - 1);
    case 3: return random.bounded(1000000) / 1000.0 + 0.5;
    case 4: return random.bounded(2) == 1;
    case 5: return QVariant();
    case 6: {
        QVariantList list;
        for (int i = random.bounded(4); i > 0; --i)
            list.append(randomValue(random, depth + 1));
        return list;
    }
    default: {
        QVariantMap map;
        for (int i = random.bounded(4); i > 0; --i)
            map.insert(randomText(random), randomValue(random, depth + 1));
        return map;
    }
    }
}

// Mutations that break text the way a bad link or a bad device would.
QString mutate(const QString &seed, QRandomGenerator &random)
{
    static const QString tokens = QStringLiteral("{}[]:,\"\\u0-.eE tfn\x00");
    QString text = seed;
    for (int step = random.bounded(1, 5); step > 0; --step) {
        const int at = text.isEmpty() ? 0 : random.bounded(text.size());
        switch (random.bounded(6)) {
        case 0: // truncate
            text.truncate(at);
            break;
        case 1: // replace one character
            if (!text.isEmpty())
                text[at] = tokens.at(random.bounded(tokens.size()));
            break;
        case 2: // insert a token character
            text.insert(at, tokens.at(random.bounded(tokens.size())));
            break;
        case 3: // delete a range
            text.remove(at, random.bounded(1, 8));
            break;
        case 4: // repeat a range, which deepens nesting
            text.insert(at, text.mid(at, random.bounded(1, 16)).repeated(random.bounded(1, 40)));
            break;
        default: // arbitrary code unit
            if (!text.isEmpty())
                text[at] = QChar(ushort(random.bounded(0x10000)));
            break;
        }
    }
    return text;
}

} // namespace

void TestJsonText::randomValuesSurviveARoundTrip()
{
    QRandomGenerator random(20261209);
    for (int i = 0; i < 3000; ++i) {
        const QVariant value = randomValue(random, 0);
        bool ok = false;
        const QByteArray text = JsonText::serialize(value, ok);
        QVERIFY(ok);
        const QVariant back = JsonText::parse(QString::fromUtf8(text), ok);
        QVERIFY2(ok, text.constData());
        QVERIFY2(back == value, text.constData());
    }
}

void TestJsonText::mutatedTextNeverCrashes()
{
    const QStringList seeds = {
        R"({ "id" : 57, "jsonrpc" : "2.0", "method" : "read system status", "params" : { "protocol_version" : 1 } })",
        R"({"jsonrpc":"2.0","id":3,"result":{"Status":"Success","Data":{"username":"admin","permissions":"read/write"}}})",
        R"({"jsonrpc":"2.0","id":4,"error":{"code":-32601,"message":"Method not found"}})",
        R"({"result":{"RTC Status":"Initialized","Time":"Mon Dec  7 09:05:03 2026"}})",
        R"({"value":"true","mode":"https-default-certificate"})",
        R"([1.5e3, -2, "a\u0041\n", true, false, null, [[{}]], {"k":[{"x":"y"}]}])",
    };

    QRandomGenerator random(0xA5C0FFEE);
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        const QString text = mutate(seeds.at(i % seeds.size()), random);
        bool ok = false;
        const QVariant value = JsonText::parse(text, ok);
        if (ok) {
            ++parsed;
            // Whatever the reader accepts, the writer can write.
            bool written = false;
            QVERIFY(!JsonText::serialize(value, written).isNull());
            QVERIFY(written);
        } else {
            // A failure hands back nothing half-read.
            const int type = value.typeId();
            QVERIFY(type == QMetaType::UnknownType || type == QMetaType::QVariantMap
                    || type == QMetaType::QVariantList);
            QVERIFY(value.toMap().isEmpty() && value.toList().isEmpty());
        }
    }
    // The mutations must leave some texts valid, or the check above tests nothing.
    QVERIFY(parsed > 1000);
}

QTEST_GUILESS_MAIN(TestJsonText)
#include "tst_jsontext.moc"
