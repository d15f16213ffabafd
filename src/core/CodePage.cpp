#include "core/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <string>

namespace {

bool IsUtf8(const QByteArray &codePage)
{
    const QByteArray cp = codePage.toLower();
    return cp == "utf-8" || cp == "utf8";
}

// Opening a conversion looks up and loads its tables, which costs more than
// converting a settings file: each thread keeps the conversions it opened.
class TConversions
{
public:
    TConversions() = default;
    TConversions(const TConversions &) = delete;
    TConversions &operator=(const TConversions &) = delete;
    ~TConversions()
    {
        for (const auto &open : FOpen)
            iconv_close(open.second);
    }

    // The conversion in its initial state; (iconv_t)-1 when there is none.
    iconv_t Get(const char *from, const char *to)
    {
        const std::string key = std::string(from) + '\n' + to;
        const auto it = FOpen.find(key);
        if (it != FOpen.end()) {
            iconv(it->second, nullptr, nullptr, nullptr, nullptr);
            return it->second;
        }
        const iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1))
            FOpen.emplace(key, cd);
        return cd;
    }

private:
    std::map<std::string, iconv_t> FOpen;
};

// Runs iconv over the whole input; on a sequence the target cannot take, the
// handler appends a replacement and tells how many input bytes to skip.
template <typename OnBad>
bool Convert(const char *from, const char *to, const QByteArray &in, QByteArray &out, OnBad onBad)
{
    thread_local TConversions conversions;
    const iconv_t cd = conversions.Get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    out.reserve(in.size() * 2 + 16);
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char buffer[4096];
    while (srcLeft > 0) {
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<qsizetype>(dst - buffer));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: an input sequence that cannot be converted.
            const size_t skip = std::min(onBad(src, srcLeft, out), srcLeft);
            src += skip;
            srcLeft -= skip;
        }
    }
    return true;
}

// Length of the UTF-8 sequence starting with the given lead byte.
size_t Utf8Length(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

} // namespace

QString DecodeCodePage(const QByteArray &bytes, const QByteArray &codePage)
{
    if (IsUtf8(codePage))
        return QString::fromUtf8(bytes);
    QByteArray utf8;
    const bool ok = Convert(codePage.constData(), "UTF-8", bytes, utf8,
                            [](const char *, size_t, QByteArray &out) {
                                out.append("\xEF\xBF\xBD");
                                return size_t(1);
                            });
    if (!ok)
        return QString::fromLatin1(bytes); // unknown code page: keep the bytes
    return QString::fromUtf8(utf8);
}

QByteArray EncodeCodePage(const QString &text, const QByteArray &codePage)
{
    const QByteArray utf8 = text.toUtf8();
    if (IsUtf8(codePage))
        return utf8;
    QByteArray out;
    const bool ok = Convert("UTF-8", codePage.constData(), utf8, out,
                            [](const char *src, size_t, QByteArray &o) {
                                o.append('?');
                                return Utf8Length(static_cast<unsigned char>(*src));
                            });
    if (!ok)
        return text.toLatin1();
    return out;
}
