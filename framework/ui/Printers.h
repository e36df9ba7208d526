// The printer object (the default printer, through the seam) and the DIB stretch onto a page.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/graphics/Graphics.h"
#include "framework/ui/Seam.h"

namespace ui {

enum class TPrinterOrientation { poPortrait, poLandscape };

class TPrinter;

// The printer's canvas. Font.PixelsPerInch holds the vertical resolution once a document began.
class TPrinterCanvas {
public:
    gfx::TFont Font;
    // The device context that StretchDIBits draws on.
    TPrinterCanvas* Handle() { return this; }
    TPrinter& Printer() { return *FPrinter; }

private:
    friend class TPrinter;
    explicit TPrinterCanvas(TPrinter* printer) : FPrinter(printer) {}
    TPrinter* FPrinter;
};
using HPrinterDC = TPrinterCanvas*;

class TPrinter {
public:
    TPrinter();
    TPrinterOrientation Orientation() const { return FOrientation; }
    // EPrinter "Printing in progress" while a document runs.
    void SetOrientation(TPrinterOrientation o);
    // The name of the next job in the print queue (the application's title when empty).
    const String& Title() const { return FTitle; }
    void SetTitle(const String& title) { FTitle = title; }
    // Starts a document on the default printer; rtl::EPrinter when there is none.
    void BeginDoc();
    // Ends and sends the document; EPrinter "Printer is not currently printing" without one, and
    // EPrinter when the printing system refuses the job.
    void EndDoc();
    void Abort();
    bool Printing() const { return FPrinting; }
    // The printable area in printer pixels (of the document that runs, else of the default printer).
    int PageWidth() const;
    int PageHeight() const;
    TPrinterCanvas& Canvas() { return FCanvas; }

private:
    TPrinterOrientation FOrientation = TPrinterOrientation::poPortrait;
    String FTitle;
    bool FPrinting = false;
    TPrinterCanvas FCanvas{this};
};
TPrinter& Printer();

enum class TPaper { A4, Letter };
// The real printer with its document written to a PDF file on the given paper instead of going
// to the default printer's queue, as a print-to-file printer does.
std::unique_ptr<PrinterDevice> NewPdfFilePrinter(const String& fileName, TPaper paper);

// Draws the rows of a DIB (a header with its colour table, and bottom-up rows padded to 4 bytes;
// top-down when the height is negative) from the source rectangle into the destination rectangle
// of a printer page, stretched. Returns the number of rows drawn, 0 on failure (no document, bad
// header, empty rectangle).
int StretchDIBits(HPrinterDC dc, int destX, int destY, int destWidth, int destHeight, int srcX, int srcY,
                  int srcWidth, int srcHeight, const void* bits, const void* bitmapInfo, uint32_t usage,
                  uint32_t rop);

// Decodes the pixels of a DIB (1, 4, 8, 16, 24 or 32 bits, BI_RGB) into a pfDevice bitmap;
// false for a header it cannot read. bitsSize bounds how much of bits is read.
bool DibToBitmap(const void* bitmapInfo, const void* bits, size_t bitsSize, gfx::TBitmap& target);

}  // namespace ui
