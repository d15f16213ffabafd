// Helpers shared by the fuzz targets: a check that stops the run with the
// offending input, the application objects Qt needs, and a private
// temporary folder for targets that read their input from a file.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

class TVariableList;

// Stops the run when a property of the reader does not hold: libFuzzer then
// saves the input as a crash, and a corpus replay fails its test.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] void Fail(const char *condition, const char *file, int line);

// The input as bytes (a deep copy, so that the reader may keep it).
inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// Creates the process's one QCoreApplication, or one QApplication (offscreen
// unless QT_QPA_PLATFORM says otherwise) for targets that need widgets.
// A target calls one of the two, always the same.
void EnsureCoreApplication();
void EnsureWidgetApplication();

// A folder of this process, removed when the process ends.
QString TempFolder();

// Writes the bytes to a file, replacing it; false when that failed.
bool WriteFile(const QString &path, const QByteArray &bytes);

// Whether a settings-file text has the form of an integer (an optional sign,
// then decimal digits, or hexadecimal ones after "0x" or "$"), however many
// digits it has: a value a reader must take whole or refuse.
bool IntegerInForm(const QString &text);

// The raw bytes of every variable of a list, and putting them back: a
// target builds its variable sets once and starts every input from the same
// bytes (building them is most of a run's time).
std::vector<QByteArray> RawBytes(const TVariableList &list);
void RestoreRawBytes(TVariableList &list, const std::vector<QByteArray> &raw);

// The input handed out as a port delivers it: the bytes asked for, as far as
// any are left.
class FedBytes
{
public:
    FedBytes(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    // True when all count bytes came.
    bool Read(uint8_t *buffer, int count, int &read)
    {
        read = 0;
        while (read < count && m_at < m_size)
            buffer[read++] = m_data[m_at++];
        return read == count;
    }
    bool Exhausted() const { return m_at >= m_size; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace fuzz
