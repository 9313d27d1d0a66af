// The drawing tools on the working picture: pipette, fill and brush, and the
// selection of the active tool.
#include "document/child.h"
#include "document/prompts.h"
#include "editing/brush.h"
#include "editing/fill.h"

namespace orugif {

void TChild::selectTool(bool* tool)
{
    PipetteOn = FillOn = TextOn = BrushOn = false;
    if (tool)
        *tool = true;
}

void TChild::Pipette() { selectTool(&PipetteOn); }
void TChild::Remplir() { selectTool(&FillOn); }
void TChild::Pinceau() { selectTool(&BrushOn); }
void TChild::Texte() { selectTool(&TextOn); }
void TChild::Pointeur() { selectTool(nullptr); }

void TChild::Image1MouseDown(Qt::MouseButton, int x, int y)
{
    ClickX = x;
    ClickY = y;
    if (BrushOn) {
        finishStroke();
        strokeStart_ = captureState();  // the stroke becomes one step when the button comes up
        Drawing = true;
        FrameChanged = true;
        Modified = true;
        penPos_ = QPoint(x, y);
    }
}

void TChild::Image1MouseMove(int x, int y)
{
    if (!Drawing || !BrushOn || picture_.isNull())
        return;
    // The brush always paints with the picture's pen: one pixel, solid black.
    editing::drawSegment(picture_, penPos_, QPoint(x, y), toQRgb(clBlack));
    penPos_ = QPoint(x, y);
    emit pictureChanged();
}

void TChild::Image1MouseUp(Qt::MouseButton, int, int)
{
    Drawing = false;
    finishStroke();
}

void TChild::Image1Click()
{
    if (picture_.isNull() || !picture_.rect().contains(ClickX, ClickY))
        return;
    if (PipetteOn) {
        emit colourPicked(fromQRgb(picture_.pixel(ClickX, ClickY)));
    } else if (FillOn) {
        const Colour colour = drawingColour_ ? drawingColour_() : clWhite;
        recorded(QStringLiteral("Remplir"), [this, colour] {
            editing::floodFill(picture_, ClickX, ClickY, toQRgb(colour));
            emit pictureChanged();
            FrameChanged = true;
            Modified = true;
        });
    } else if (TextOn) {
        stampText();
    }
}

void TChild::stampText()
{
    TextToDraw = prompts().runText(TextAngle, PictureFont);
    if (TextToDraw.isEmpty()) {
        // Cancelled, or nothing typed: the picture and the document stay as
        // they were (closing does not ask to save them); the pointer still
        // tells the text was placed.
        emit textStamped();
        return;
    }
    if (actsOnSelection()) {
        const QString text = TextToDraw;
        TextToDraw.clear();
        editSelection(QStringLiteral("Texte"), [this, &text](const QImage& frame) {
            QImage picture = frame;
            if (TextAngle != 0)
                editing::RotTextOut(picture, ClickX, ClickY, text, TextAngle, PictureFont);
            else
                editing::drawTextOnWhite(picture, ClickX, ClickY, text, PictureFont);
            return picture;
        });
        emit textStamped();
        return;
    }
    recorded(QStringLiteral("Texte"), [this] {
        QImage picture = picture_;
        if (TextAngle != 0)
            editing::RotTextOut(picture, ClickX, ClickY, TextToDraw, TextAngle, PictureFont);
        else
            editing::drawTextOnWhite(picture, ClickX, ClickY, TextToDraw, PictureFont);
        TextToDraw.clear();
        pictureEdited(picture);
    });
    emit textStamped();
}

void TChild::AjoutTxt(const QString& text, editing::TextFont& font, const QString& effect, int n)
{
    for (const QImage& frame : editing::AjoutTxt(ImageList1.frameSize(), text, font, effect, n))
        ImageList1.add(frame);
}

} // namespace orugif
