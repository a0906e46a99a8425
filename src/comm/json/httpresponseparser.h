#ifndef HTTPRESPONSEPARSER_H
#define HTTPRESPONSEPARSER_H

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// Reads one HTTP/1.1 response as its bytes arrive, in pieces of any size.
// A device's answer is untrusted, so every part of it has a limit: the head
// (status lines of the interim 1xx answers and the final one, header and
// trailer fields together), the header fields of one answer, each line, and
// the body. The work of feed() is linear in what it is given and in the
// unfinished line it holds, so a caller that feeds bounded pieces parses in
// bounded time.
class HttpResponseParser
{
public:
    struct Limits
    {
        qint64 body;
        qsizetype head = 64 * 1024;
        int fields = 100;
        int interim = 4;
        qsizetype chunkLine = 1024; // a chunk's size with its extensions
    };

    enum class State { Head, Body, Complete, Failed };
    enum class Failure { None, Protocol, BodyTooLarge, Closed };

    explicit HttpResponseParser(const Limits &limits);

    void feed(QByteArrayView bytes);
    // The connection was closed: this ends a body of no stated length and
    // fails any other answer not complete yet.
    void close();

    State state() const;
    Failure failure() const;
    QString errorText() const; // of a protocol failure

    // The final answer's head, once it has arrived.
    bool headComplete() const;
    int status() const;
    QByteArray reason() const;
    // Repeated fields read as one, their values joined by ", ".
    const QList<QPair<QByteArray, QByteArray>> &fields() const;
    QByteArray field(const QByteArray &name) const;
    qint64 contentLength() const; // -1 when not stated
    const QByteArray &body() const;

private:
    enum class Stage { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailer };
    enum class Line { Taken, Partial, TooLong };

    void parse();
    Line takeLine(qsizetype limit, QByteArray *line);
    Line takeHeadLine(QByteArray *line);
    bool takeStatusLine(const QByteArray &line);
    void takeField(const QByteArray &line);
    void endHead();
    void takeChunkSize(const QByteArray &line);
    void takeBody();
    void fail(Failure why, const QString &text = QString());

    Limits limits;
    State currentState = State::Head;
    Stage stage = Stage::StatusLine;
    Failure failed = Failure::None;
    QString failureText;

    QByteArray pending; // arrived and not parsed yet, from position
    qsizetype position = 0;
    qsizetype scanned = 0; // no line feed in pending before this
    qsizetype headBytes = 0;
    int interimAnswers = 0;
    int fieldLines = 0;

    int statusCode = 0;
    QByteArray reasonPhrase;
    QList<QPair<QByteArray, QByteArray>> headerFields;
    QHash<QByteArray, qsizetype> fieldIndex; // lower-case name to its place in headerFields
    qint64 statedLength = -1;
    qint64 remaining = -1; // of the body or the current chunk; -1 until the close
    QByteArray content;
};

#endif // HTTPRESPONSEPARSER_H
