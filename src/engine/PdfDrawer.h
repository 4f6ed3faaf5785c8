#pragma once
// Kelvaro's side of kelvaro-pdfpage, the program that reads and draws PDF pages in a process of
// its own: Kelvaro parses no byte of a PDF itself. A document is read (its first page's facts)
// and drawn by one drawer, which keeps it open in between: the drawer that read a file for this
// thread (the batch worker's pricing, the size of a page about to be drawn) draws it from the
// same opening. Every drawer works within a memory ceiling its caller sets and the CPU bound, and
// is killed at its file's stop request, the quit and the pools' drain. Any thread; what a thread
// read last is its own.
#include <chrono>
#include <functional>

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace kelvaro::PdfDrawer {

// What the drawer read of a document's first page.
struct PageFacts {
    double mediaWidth = 0;  // points
    double mediaHeight = 0; // points
    int rotate = 0;         // degrees the page asks to be turned
    bool drawing = false;   // no raster image among its resources or the forms they draw
};

// The identity a drawer keeps a document under: device, inode, size and modification time of the
// file open at `descriptor`; empty when it cannot be read. No disk beyond fstat.
QByteArray identityOf(int descriptor);

// Reads the first page of the document open at `descriptor` (a regular file; not taken over) in
// a drawer whose reading may take `memory` bytes and `cpu` of processor time, and leaves it open
// there for this thread's next draw(). A document this thread had read moments before, the same
// file unchanged, is answered from that reading. Throws KelvaroError unreadable(name) or
// pageBeyondBounds(name), ImageEngine::FileAborted when stopped. Blocks.
PageFacts read(int descriptor, const QString& name, qint64 memory, std::chrono::seconds cpu);

// Whether read() would answer at once from what this thread's drawer still holds open of the
// document open at `descriptor`. No disk beyond fstat.
bool holdsReading(int descriptor);

// How a page is drawn: `size` pixels from the media box's corner at `hDpi` × `vDpi`, turned
// `rotate` degrees, within `memory` bytes for the reading and the drawing together and `cpu` of
// processor time.
struct Drawing {
    QSize size;
    double hDpi = 0;
    double vDpi = 0;
    int rotate = 0;
    qint64 memory = 0;
    std::chrono::seconds cpu{0};
};

// Draws the first page of the document open at `descriptor` into `pixels` (memory of
// size × 4 bytes; not taken over) as rows of B, G, R and a filler byte: in the drawer that read
// it for this thread when it still holds it open, else read anew within the drawing's ceiling.
// Throws as read(). Blocks.
void draw(int descriptor, const QString& name, const Drawing& drawing, int pixels);

// What a test sees of the drawers: each reading of a document handed to one, and the ceiling
// each is given as it starts ("read" or "draw") and the end of its work.
struct Observer {
    std::function<void(const char* work, qint64 memory)> started;
    std::function<void(const char* work, qint64 memory)> ended;
};
// Replaces the observer (tests); none when empty. Called on the working thread.
void setObserver(Observer observer);

} // namespace kelvaro::PdfDrawer
