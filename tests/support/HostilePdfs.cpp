#include "HostilePdfs.h"

#include <QByteArray>
#include <QDir>
#include <QList>

#include <zlib.h>

#include "TestSupport.h"

namespace kelvaro::testimages {
namespace {

constexpr const char* kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";
constexpr const char* kPage = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>";

QString written(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).filePath(name);
    test::writeFile(path, bytes);
    return path;
}

// "N 0 obj … endobj" for each of `objects`, numbered from 1, after the header; their offsets in
// `offsets`.
QByteArray body(const QList<QByteArray>& objects, QList<qint64>& offsets, const QList<int>& numbers = {})
{
    QByteArray pdf = "%PDF-1.5\n";
    for (int i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        const int number = numbers.isEmpty() ? i + 1 : numbers[i];
        pdf += QByteArray::number(number) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return pdf;
}

QByteArray xrefEntry(qint64 offset, bool free = false)
{
    return QByteArray::number(offset).rightJustified(10, '0') + (free ? " 65535 f \n" : " 00000 n \n");
}

// A deflate stream (zlib's wrapper) of `prefix`, then `unit` (1 or 2 bytes) `count` times, then
// `suffix`, written by hand with the fixed codes: matches of 258 bytes at the unit's distance make
// about 160 bytes of content from every byte, without compressing gigabytes in the test.
class Deflated {
public:
    QByteArray of(const QByteArray& prefix, const QByteArray& unit, qint64 count, const QByteArray& suffix)
    {
        m_out = QByteArray("\x78\x01", 2);
        bits(1, 1); // the last block
        bits(1, 2); // fixed codes
        for (char c : prefix)
            literal(uchar(c));
        for (char c : unit)
            literal(uchar(c));
        qint64 left = unit.size() * (count - 1);
        const int distanceCode = unit.size() == 1 ? 0 : 1;
        for (; left >= 258; left -= 258) {
            code(0b11000101, 8); // length 258
            code(distanceCode, 5);
        }
        for (qint64 i = 0; i < left; ++i)
            literal(uchar(unit[int((unit.size() - left % unit.size() + i) % unit.size())]));
        for (char c : suffix)
            literal(uchar(c));
        code(0, 7); // end of block
        if (m_count > 0)
            m_out += char(m_bits);
        // The checksum of what it inflates to, from one block's checksum combined.
        const QByteArray block = unit.repeated(int(std::max<qint64>(1, (1 << 20) / unit.size())));
        const uLong blockSum = adler32(1, reinterpret_cast<const Bytef*>(block.constData()), uInt(block.size()));
        uLong sum = adler32(1, reinterpret_cast<const Bytef*>(prefix.constData()), uInt(prefix.size()));
        qint64 remaining = count * unit.size();
        for (; remaining >= block.size(); remaining -= block.size())
            sum = adler32_combine(sum, blockSum, block.size());
        sum = adler32(sum, reinterpret_cast<const Bytef*>(block.constData()), uInt(remaining));
        sum = adler32(sum, reinterpret_cast<const Bytef*>(suffix.constData()), uInt(suffix.size()));
        for (int shift = 24; shift >= 0; shift -= 8)
            m_out += char((sum >> shift) & 0xff);
        return m_out;
    }

private:
    // `count` bits of `value`, the lowest first.
    void bits(quint32 value, int count)
    {
        for (int i = 0; i < count; ++i) {
            m_bits |= ((value >> i) & 1) << m_count;
            if (++m_count == 8) {
                m_out += char(m_bits);
                m_bits = 0;
                m_count = 0;
            }
        }
    }
    // A Huffman code of `length` bits, the highest first.
    void code(quint32 value, int length)
    {
        for (int i = length - 1; i >= 0; --i)
            bits((value >> i) & 1, 1);
    }
    void literal(uchar c)
    {
        if (c < 144)
            code(0x30 + c, 8);
        else
            code(0x190 + c - 144, 9);
    }

    QByteArray m_out;
    quint32 m_bits = 0;
    int m_count = 0;
};

// The page (object 3) inside object stream 4, its dictionary holding `junk` between `prefix` and
// `suffix`, found through a cross-reference stream (object 5).
QString writePageInObjectStream(const QString& dir, const QString& name, const QByteArray& prefix, const QByteArray& unit,
                                qint64 count, const QByteArray& suffix)
{
    const QByteArray header = "3 0 ";
    const QByteArray packed = Deflated().of(header + "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Junk " + prefix,
                                            unit, count, suffix + " >>");
    QList<QByteArray> objects{kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"};
    QList<qint64> offsets;
    QByteArray pdf = body(objects, offsets);
    offsets << 0; // object 3 lies in the stream
    offsets << pdf.size();
    pdf += "4 0 obj\n<< /Type /ObjStm /N 1 /First " + QByteArray::number(header.size()) + " /Filter /FlateDecode /Length "
        + QByteArray::number(packed.size()) + " >>\nstream\n" + packed + "\nendstream\nendobj\n";
    offsets << pdf.size();
    QByteArray entries;
    const auto entry = [&entries](int type, qint64 field, int index) {
        entries += char(type);
        for (int shift = 24; shift >= 0; shift -= 8)
            entries += char((field >> shift) & 0xff);
        entries += char((index >> 8) & 0xff);
        entries += char(index & 0xff);
    };
    entry(0, 0, 0xffff);
    entry(1, offsets[0], 0);
    entry(1, offsets[1], 0);
    entry(2, 4, 0);
    entry(1, offsets[3], 0);
    entry(1, offsets[4], 0);
    pdf += "5 0 obj\n<< /Type /XRef /Size 6 /W [1 4 2] /Root 1 0 R /Length " + QByteArray::number(entries.size())
        + " >>\nstream\n" + entries + "\nendstream\nendobj\n";
    pdf += "startxref\n" + QByteArray::number(offsets[4]) + "\n%%EOF\n";
    return written(dir, name, pdf);
}

// A one-page document with a classic cross-reference table headed `subsection` and `trailer`.
QString writeClassic(const QString& dir, const QString& name, const QByteArray& subsection, const QByteArray& trailer)
{
    QList<qint64> offsets;
    QByteArray pdf = body({kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", kPage}, offsets);
    const qint64 xref = pdf.size();
    pdf += "xref\n" + subsection + "\n" + xrefEntry(0, true);
    for (qint64 offset : offsets)
        pdf += xrefEntry(offset);
    pdf += "trailer\n" + trailer + "\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return written(dir, name, pdf);
}

} // namespace

QString writeHugeXrefSubsection(const QString& dir, const QString& name)
{
    return writeClassic(dir, name, "0 33000000", "<< /Size 4 /Root 1 0 R >>");
}

QString writeHugeTrailerSize(const QString& dir, const QString& name)
{
    return writeClassic(dir, name, "0 4", "<< /Size 33000000 /Root 1 0 R >>");
}

QString writeHugeObjectNumber(const QString& dir, const QString& name)
{
    QList<qint64> offsets;
    const QByteArray pdf = body({kCatalog, "<< /Type /Pages /Kids [33000000 0 R] /Count 1 >>", kPage}, offsets, {1, 2, 33000000});
    return written(dir, name, pdf + "%%EOF\n");
}

QString writeHugeStringInObjectStream(const QString& dir, const QString& name, qint64 bytes)
{
    return writePageInObjectStream(dir, name, "(", "A", bytes, ")");
}

QString writeHugeArrayInObjectStream(const QString& dir, const QString& name, qint64 count)
{
    return writePageInObjectStream(dir, name, "[", "0 ", count, "]");
}

} // namespace kelvaro::testimages
