#pragma once
// The one document a drawer holds open between Kelvaro's messages: opened and read for its first
// page's facts (its media box, rotation, whether it holds raster images), then drawn from the same
// opening. Lives in kelvaro-pdfpage's only working thread; made by main's message loop.
#include <memory>
#include <string>

class GooFile;
class PDFDoc;

namespace kelvaro::pdfpage {

// What the first page tells before it is drawn.
struct PageFacts {
    double mediaWidth = 0;  // points
    double mediaHeight = 0; // points
    int rotate = 0;         // degrees, as the page asks to be turned
    bool drawing = false;   // no raster image among its resources or the forms they draw
};

class OpenDocument {
public:
    OpenDocument();
    ~OpenDocument();
    OpenDocument(const OpenDocument&) = delete;
    OpenDocument& operator=(const OpenDocument&) = delete;

    // Opens the document at `descriptor` (taken over), known to Kelvaro as `identity`, and reads
    // its first page: false, nothing open, when it cannot be read. Reads the file.
    bool open(int descriptor, const std::string& identity, PageFacts& facts);
    // Whether the document known as `identity` is open.
    bool holds(const std::string& identity) const;
    bool isOpen() const { return m_document != nullptr; }
    void close();

    // Draws the open document's first page into `pixels` (a descriptor of memory as large as the
    // page; not taken over), `width` × `height` pixels from the media box's corner at `hDpi` ×
    // `vDpi`, turned `rotate` degrees, as rows of B, G, R and a filler byte, white where the
    // renderer rounded short. False when the page cannot be drawn.
    bool draw(int pixels, int width, int height, double hDpi, double vDpi, int rotate);

private:
    std::unique_ptr<GooFile> m_file; // read by the document, so it goes last
    std::unique_ptr<PDFDoc> m_document;
    std::string m_identity;
};

} // namespace kelvaro::pdfpage
