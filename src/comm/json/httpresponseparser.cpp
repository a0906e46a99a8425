#include "comm/json/httpresponseparser.h"

#include <algorithm>

HttpResponseParser::HttpResponseParser(const Limits &limits)
    : limits(limits)
{
}

void HttpResponseParser::feed(QByteArrayView bytes)
{
    if (currentState == State::Complete || currentState == State::Failed)
        return;
    pending.append(bytes);
    parse();
    // Only a partial line stays, and takeLine bounds it.
    pending.remove(0, position);
    scanned -= position;
    position = 0;
}

void HttpResponseParser::close()
{
    if (currentState == State::Body && stage == Stage::Body && remaining < 0)
        currentState = State::Complete;
    else if (currentState == State::Head || currentState == State::Body)
        fail(Failure::Closed);
}

HttpResponseParser::State HttpResponseParser::state() const
{
    return currentState;
}

HttpResponseParser::Failure HttpResponseParser::failure() const
{
    return failed;
}

QString HttpResponseParser::errorText() const
{
    return failureText;
}

bool HttpResponseParser::headComplete() const
{
    return stage != Stage::StatusLine && stage != Stage::Headers;
}

int HttpResponseParser::status() const
{
    return statusCode;
}

QByteArray HttpResponseParser::reason() const
{
    return reasonPhrase;
}

const QList<QPair<QByteArray, QByteArray>> &HttpResponseParser::fields() const
{
    return headerFields;
}

QByteArray HttpResponseParser::field(const QByteArray &name) const
{
    const auto found = fieldIndex.constFind(name.toLower());
    return found == fieldIndex.constEnd() ? QByteArray() : headerFields.at(*found).second;
}

qint64 HttpResponseParser::contentLength() const
{
    return statedLength;
}

const QByteArray &HttpResponseParser::body() const
{
    return content;
}

void HttpResponseParser::parse()
{
    QByteArray line;
    while (currentState == State::Head || currentState == State::Body) {
        Line taken = Line::Taken;
        switch (stage) {
        case Stage::StatusLine:
            taken = takeHeadLine(&line);
            if (taken == Line::Taken && takeStatusLine(line))
                stage = Stage::Headers;
            break;
        case Stage::Headers:
            taken = takeHeadLine(&line);
            if (taken != Line::Taken)
                break;
            if (line.isEmpty())
                endHead();
            else if (++fieldLines > limits.fields)
                fail(Failure::Protocol, QStringLiteral("Too many header fields"));
            else
                takeField(line);
            break;
        case Stage::Body:
        case Stage::ChunkData:
            if (position == pending.size())
                return;
            takeBody();
            break;
        case Stage::ChunkSize:
            taken = takeLine(limits.chunkLine, &line);
            if (taken == Line::Taken)
                takeChunkSize(line);
            break;
        case Stage::ChunkEnd:
            // Nothing but the line end may follow a chunk's data.
            taken = takeLine(2, &line);
            if (taken == Line::Taken && !line.isEmpty())
                taken = Line::TooLong;
            else if (taken == Line::Taken)
                stage = Stage::ChunkSize;
            break;
        case Stage::Trailer:
            taken = takeHeadLine(&line);
            if (taken == Line::Taken && line.isEmpty())
                currentState = State::Complete;
            break;
        }
        if (taken == Line::Partial)
            return;
        if (taken == Line::TooLong) {
            const bool inHead = stage == Stage::StatusLine || stage == Stage::Headers || stage == Stage::Trailer;
            fail(Failure::Protocol, inHead ? QStringLiteral("Response head too large")
                                           : QStringLiteral("Invalid chunked encoding"));
        }
    }
}

// A line without its line feed (and carriage return); one longer than limit,
// line feed included, is refused whether or not it has ended yet.
HttpResponseParser::Line HttpResponseParser::takeLine(qsizetype limit, QByteArray *line)
{
    const qsizetype end = pending.indexOf('\n', std::max(position, scanned));
    if (end < 0) {
        scanned = pending.size();
        return pending.size() - position > limit ? Line::TooLong : Line::Partial;
    }
    if (end - position + 1 > limit)
        return Line::TooLong;
    *line = pending.mid(position, end - position);
    if (line->endsWith('\r'))
        line->chop(1);
    position = end + 1;
    return Line::Taken;
}

HttpResponseParser::Line HttpResponseParser::takeHeadLine(QByteArray *line)
{
    const qsizetype before = position;
    const Line taken = takeLine(limits.head - headBytes, line);
    headBytes += position - before;
    return taken;
}

bool HttpResponseParser::takeStatusLine(const QByteArray &line)
{
    const qsizetype codeStart = line.indexOf(' ') + 1;
    const qsizetype codeEnd = line.indexOf(' ', codeStart);
    const QByteArray code = line.mid(codeStart, codeEnd < 0 ? -1 : codeEnd - codeStart);
    bool ok = false;
    statusCode = code.toInt(&ok);
    if (!line.startsWith("HTTP/") || codeStart == 0 || !ok || statusCode < 100 || statusCode > 999) {
        statusCode = 0;
        fail(Failure::Protocol, QStringLiteral("Invalid HTTP response"));
        return false;
    }
    reasonPhrase = codeEnd < 0 ? QByteArray() : line.mid(codeEnd + 1);
    return true;
}

void HttpResponseParser::takeField(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return;
    const QByteArray name = line.left(colon).trimmed();
    const QByteArray value = line.mid(colon + 1).trimmed();
    const auto found = fieldIndex.constFind(name.toLower());
    if (found == fieldIndex.constEnd()) {
        fieldIndex.insert(name.toLower(), headerFields.size());
        headerFields.append({name, value});
        return;
    }
    QByteArray &joined = headerFields[*found].second;
    if (joined.isEmpty())
        joined = value;
    else
        joined += ", " + value;
}

void HttpResponseParser::endHead()
{
    if (statusCode < 200) {
        // An interim answer: its fields are not the final answer's.
        if (++interimAnswers > limits.interim) {
            fail(Failure::Protocol, QStringLiteral("Too many interim responses"));
            return;
        }
        headerFields.clear();
        fieldIndex.clear();
        fieldLines = 0;
        stage = Stage::StatusLine;
        return;
    }

    // Repeated fields were joined, so two lengths read as a list.
    const QByteArray lengths = field("Content-Length");
    if (!lengths.isNull()) {
        for (const QByteArray &text : lengths.split(',')) {
            bool ok = false;
            const qint64 length = text.trimmed().toLongLong(&ok);
            if (!ok || length < 0 || (statedLength >= 0 && length != statedLength)) {
                fail(Failure::Protocol, QStringLiteral("Invalid Content-Length"));
                return;
            }
            statedLength = length;
        }
    }

    currentState = State::Body;
    if (statusCode == 204 || statusCode == 304) {
        stage = Stage::Body;
        currentState = State::Complete;
    } else if (field("Transfer-Encoding").toLower().contains("chunked")) {
        statedLength = -1;
        stage = Stage::ChunkSize;
    } else {
        stage = Stage::Body;
        remaining = statedLength;
        if (remaining > limits.body)
            fail(Failure::BodyTooLarge);
        else if (remaining == 0)
            currentState = State::Complete;
    }
}

void HttpResponseParser::takeChunkSize(const QByteArray &line)
{
    const qsizetype extension = line.indexOf(';');
    bool ok = false;
    remaining = (extension < 0 ? line : line.left(extension)).trimmed().toLongLong(&ok, 16);
    if (!ok || remaining < 0) {
        fail(Failure::Protocol, QStringLiteral("Invalid chunk size"));
        return;
    }
    if (remaining > limits.body - content.size()) {
        fail(Failure::BodyTooLarge);
        return;
    }
    stage = remaining == 0 ? Stage::Trailer : Stage::ChunkData;
}

void HttpResponseParser::takeBody()
{
    const qsizetype available = pending.size() - position;
    const qsizetype count = remaining < 0 ? available : qsizetype(std::min<qint64>(remaining, available));
    const qint64 size = content.size() + count;
    if (size > limits.body) {
        fail(Failure::BodyTooLarge);
        return;
    }
    // Grown by doubling as far as the limit, never past it.
    if (size > content.capacity())
        content.reserve(qsizetype(std::min(limits.body, std::max<qint64>(size, 2 * content.capacity()))));
    content.append(pending.constData() + position, count);
    position += count;
    if (remaining < 0)
        return;
    remaining -= count;
    if (remaining == 0 && stage == Stage::Body)
        currentState = State::Complete;
    else if (remaining == 0)
        stage = Stage::ChunkEnd;
}

void HttpResponseParser::fail(Failure why, const QString &text)
{
    currentState = State::Failed;
    failed = why;
    failureText = text;
}
