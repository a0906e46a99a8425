#include "comm/json/httpresponseparser.h"

#include <cstddef>
#include <cstdint>

// A device's HTTP answer through the client's parser, in pieces of random
// sizes: the first byte bounds the pieces, the second seeds their sizes, the
// rest is the answer. The limits are small, so that short inputs reach them.
// Whatever the split, the outcome is that of the answer read whole (but for
// how much of the body a failed answer had taken), and nothing grows past its
// limit.
namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool sameOutcome(const HttpResponseParser &a, const HttpResponseParser &b)
{
    return a.state() == b.state() && a.failure() == b.failure() && a.errorText() == b.errorText()
           && a.headComplete() == b.headComplete() && a.status() == b.status() && a.reason() == b.reason()
           && a.fields() == b.fields() && a.contentLength() == b.contentLength()
           && (a.state() == HttpResponseParser::State::Failed || a.body() == b.body());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    HttpResponseParser::Limits limits{300};
    limits.head = 400;
    limits.fields = 8;
    limits.interim = 2;
    limits.chunkLine = 16;
    const QByteArrayView answer(data + 2, qsizetype(size - 2));

    HttpResponseParser whole(limits);
    whole.feed(answer);
    HttpResponseParser split(limits);
    quint32 random = data[1] * 2654435761u + 1;
    for (qsizetype at = 0; at < answer.size();) {
        random = random * 1664525u + 1013904223u;
        const qsizetype piece = qMin<qsizetype>(1 + (random >> 16) % (1 + data[0]), answer.size() - at);
        split.feed(answer.sliced(at, piece));
        at += piece;
        check(split.body().size() <= limits.body);
        check(split.fields().size() <= limits.fields);
    }
    check(sameOutcome(whole, split));

    whole.close();
    split.close();
    check(sameOutcome(whole, split));
    check(whole.state() == HttpResponseParser::State::Complete || whole.state() == HttpResponseParser::State::Failed);
    if (whole.state() == HttpResponseParser::State::Complete)
        check(whole.headComplete() && whole.status() >= 200 && whole.status() <= 999);
    return 0;
}
