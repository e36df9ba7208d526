#include "framework/ui/Printers.h"

#include <cstring>
#include <memory>

#include <cups/cups.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "framework/graphics/Dib.h"
#include "framework/ui/Application.h"
#include "framework/ui/QtBridge.h"
#include "framework/ui/RealSide.h"
#include "framework/ui/Seam.h"

namespace ui {

// ---- the real printer: the default printer through Qt ----------------------------------------

namespace {

constexpr const char* kNoPrinter =
    "No default printer is set up on this computer. Set one up in the system's printer settings and try again.";

// The Qt printer of a document: the default printer on its default paper, or a PDF file. The
// margins are the least the printer allows, so that the paint area is the printer's printable
// area and a page position counts from its corner.
class QtPrinterDevice : public PrinterDevice {
public:
    QtPrinterDevice() = default;
    QtPrinterDevice(const String& pdfFile, const QPageSize& paper) : FPdfFile(Q(pdfFile)), FPaper(paper) {}

    bool Available(String& why) override
    {
        if (FPrinter) return true;
        if (!GuiRunning() || (FPdfFile.isEmpty() && QPrinterInfo::defaultPrinter().isNull())) {
            why = kNoPrinter;
            return false;
        }
        return true;
    }
    void BeginDoc(bool landscape, const String& title) override
    {
        FPrinter = NewPrinter(landscape);
        FPrinter->setDocName(Q(title));
        FPainter = std::make_unique<QPainter>();
        if (!FPainter->begin(FPrinter.get())) {
            FPainter.reset();
            FPrinter.reset();
            throw rtl::EPrinter("The printer could not start the document");
        }
        // Qt would store pictures as JPEG; the printer gets the segment's own pixels.
        FPainter->setRenderHint(QPainter::LosslessImageRendering);
    }
    void EndDoc() override
    {
        const QString queue = FPrinter && FPrinter->outputFileName().isEmpty() ? FPrinter->printerName() : QString();
        const bool ended = !FPainter || FPainter->end();
        FPainter.reset();
        FPrinter.reset();
        if (!ended) throw rtl::EPrinter("The printer could not finish the document");
        if (!queue.isEmpty()) CheckJobAccepted(queue);
    }
    void Abort() override
    {
        if (FPrinter) FPrinter->abort();
        FPainter.reset();
        FPrinter.reset();
    }
    int PixelsPerInchX() override { return Info().resolution(); }
    int PixelsPerInchY() override { return Info().resolution(); }
    int PageWidth() override
    {
        QPrinter& p = Info();
        return p.pageLayout().paintRectPixels(p.resolution()).width();
    }
    int PageHeight() override
    {
        QPrinter& p = Info();
        return p.pageLayout().paintRectPixels(p.resolution()).height();
    }
    void Draw(const PrintDraw& d) override
    {
        if (!FPainter) return;
        FPainter->drawImage(Q(d.Dest), ToQImage(d.Pixels));
    }

private:
    std::unique_ptr<QPrinter> NewPrinter(bool landscape) const
    {
        std::unique_ptr<QPrinter> p;
        QPageSize paper = FPaper;
        if (FPdfFile.isEmpty()) {
            const QPrinterInfo info = QPrinterInfo::defaultPrinter();
            p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            // Qt keeps its own default paper for a printer that also has it.
            paper = info.defaultPageSize();
        } else {
            p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(FPdfFile);
        }
        if (paper.isValid()) p->setPageSize(paper);
        p->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        const QPageLayout layout = p->pageLayout();
        p->setPageMargins(layout.minimumMargins(), layout.units());
        return p;
    }

    // Qt hands the finished job to CUPS without looking at the answer; CUPS keeps it as the
    // thread's last error.
    static void CheckJobAccepted(const QString& queue)
    {
        if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) return;
        throw rtl::EPrinter("The printer \"" + queue.toStdString() + "\" did not take the print job: " +
                            String(cupsLastErrorString()));
    }

    // The printer of the running document, else the facts of a document begun now.
    QPrinter& Info()
    {
        if (FPrinter) return *FPrinter;
        FFacts = NewPrinter(false);
        return *FFacts;
    }
    QString FPdfFile;
    QPageSize FPaper;
    std::unique_ptr<QPrinter> FPrinter, FFacts;
    std::unique_ptr<QPainter> FPainter;
};

PrinterDevice& Device() { return CurrentSeam().Printer(); }

void CheckAvailable()
{
    String why;
    if (!Device().Available(why)) throw rtl::EPrinter(why);
}

}  // namespace

PrinterDevice& RealPrinter()
{
    static QtPrinterDevice* device = new QtPrinterDevice;
    return *device;
}

std::unique_ptr<PrinterDevice> NewPdfFilePrinter(const String& fileName, TPaper paper)
{
    return std::make_unique<QtPrinterDevice>(
        fileName, QPageSize(paper == TPaper::Letter ? QPageSize::Letter : QPageSize::A4));
}

// ---- the printer object ------------------------------------------------------------------------

TPrinter::TPrinter() {}

TPrinter& Printer()
{
    static TPrinter printer;
    return printer;
}

void TPrinter::SetOrientation(TPrinterOrientation o)
{
    if (FPrinting) throw rtl::EPrinter("Printing in progress");
    FOrientation = o;
}

void TPrinter::BeginDoc()
{
    if (FPrinting) throw rtl::EPrinter("Printing in progress");
    CheckAvailable();
    Device().BeginDoc(FOrientation == TPrinterOrientation::poLandscape,
                      FTitle.empty() ? Application().Title() : FTitle);
    FPrinting = true;
    FCanvas.Font.PixelsPerInch = Device().PixelsPerInchY();
}

void TPrinter::EndDoc()
{
    if (!FPrinting) throw rtl::EPrinter("Printer is not currently printing");
    FPrinting = false;
    Device().EndDoc();
}

void TPrinter::Abort()
{
    if (!FPrinting) return;
    FPrinting = false;
    Device().Abort();
}

int TPrinter::PageWidth() const
{
    CheckAvailable();
    return Device().PageWidth();
}

int TPrinter::PageHeight() const
{
    CheckAvailable();
    return Device().PageHeight();
}

// ---- DIBs ------------------------------------------------------------------------------------------

bool DibToBitmap(const void* bitmapInfo, const void* bits, size_t bitsSize, gfx::TBitmap& target)
{
    if (!bitmapInfo || !bits) return false;
    gfx::TBitmapInfoHeader h;
    std::memcpy(&h, bitmapInfo, sizeof h);
    const int bpp = h.biBitCount;
    if (h.biSize < sizeof h || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
    if (h.biCompression != gfx::BI_RGB) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    const int64_t width = h.biWidth, height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
    if (width > 65535 || height > 65535) return false;
    const int64_t stride = ((width * bpp + 31) / 32) * 4;
    if (uint64_t(stride * height) > bitsSize) return false;
    const auto* table = reinterpret_cast<const gfx::TRGBQuad*>(static_cast<const uint8_t*>(bitmapInfo) + h.biSize);
    uint32_t entries = bpp <= 8 ? (h.biClrUsed ? std::min<uint32_t>(h.biClrUsed, 1u << bpp) : 1u << bpp) : 0;
    auto colour = [&](unsigned i, uint8_t* t) {
        if (i >= entries) i = 0;
        const gfx::TRGBQuad q = entries ? table[i] : gfx::TRGBQuad{};
        t[0] = q.Blue; t[1] = q.Green; t[2] = q.Red; t[3] = 0;
    };
    gfx::TBitmap bmp(int(width), int(height), gfx::TPixelFormat::pfDevice);
    gfx::TBitmapData& d = bmp.UniqueData();
    const auto* src = static_cast<const uint8_t*>(bits);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* s = src + stride * (h.biHeight > 0 ? height - 1 - y : y);
        uint8_t* t = d.Row(int(y));
        for (int64_t x = 0; x < width; ++x, t += 4) {
            switch (bpp) {
            case 1: colour((s[x / 8] >> (7 - x % 8)) & 1, t); break;
            case 4: colour((s[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F, t); break;
            case 8: colour(s[x], t); break;
            case 16: {
                unsigned v = s[2 * x] | (s[2 * x + 1] << 8);  // 5-5-5
                t[0] = uint8_t(((v & 31) * 255) / 31);
                t[1] = uint8_t((((v >> 5) & 31) * 255) / 31);
                t[2] = uint8_t((((v >> 10) & 31) * 255) / 31);
                t[3] = 0;
                break;
            }
            case 24: t[0] = s[3 * x]; t[1] = s[3 * x + 1]; t[2] = s[3 * x + 2]; t[3] = 0; break;
            default: t[0] = s[4 * x]; t[1] = s[4 * x + 1]; t[2] = s[4 * x + 2]; t[3] = 0; break;
            }
        }
    }
    target = bmp;
    return true;
}

int StretchDIBits(HPrinterDC dc, int destX, int destY, int destWidth, int destHeight, int srcX, int srcY,
                  int srcWidth, int srcHeight, const void* bits, const void* bitmapInfo, uint32_t usage,
                  uint32_t rop)
{
    if (!dc || !dc->Printer().Printing() || !bitmapInfo || !bits) return 0;
    if (usage != gfx::DIB_RGB_COLORS || rop != gfx::SRCCOPY) return 0;
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
    gfx::TBitmapInfoHeader h;
    std::memcpy(&h, bitmapInfo, sizeof h);
    // The caller's pixel block is as large as the header says (GDI trusts it the same way).
    int64_t absH = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    int64_t stride = ((int64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    gfx::TBitmap whole;
    if (stride <= 0 || !DibToBitmap(bitmapInfo, bits, size_t(stride * absH), whole)) return 0;
    // Source rectangle in top-down terms, kept inside the DIB.
    int x0 = std::max(0, srcX), y0 = std::max(0, srcY);
    int x1 = std::min(whole.Width(), srcX + srcWidth), y1 = std::min(whole.Height(), srcY + srcHeight);
    if (x1 <= x0 || y1 <= y0) return 0;
    gfx::TBitmap part = whole;
    if (x0 != 0 || y0 != 0 || x1 != whole.Width() || y1 != whole.Height()) {
        part = gfx::TBitmap(x1 - x0, y1 - y0, gfx::TPixelFormat::pfDevice);
        gfx::TBitmapData& d = part.UniqueData();
        for (int y = y0; y < y1; ++y) std::memcpy(d.Row(y - y0), whole.Data()->Row(y) + 4 * x0, size_t(x1 - x0) * 4);
    }
    CurrentSeam().Printer().Draw({gfx::Rect(destX, destY, destX + destWidth, destY + destHeight), part});
    return y1 - y0;
}

}  // namespace ui
