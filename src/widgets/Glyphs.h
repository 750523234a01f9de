#pragma once

#include <QIcon>
#include <QPixmap>

// The tool's own glyph pictures, drawn once each.
namespace Glyphs {

QPixmap networkFrame(int frame);   // frames 1..5: two networked computers whose screens light in turn
QPixmap networkOff();              // the two computers crossed out in red
QPixmap personsTicked();           // two persons beside a ticked box (application enabled)
QPixmap personsCrossed();          // two persons beside a crossed box (application disabled)
QPixmap plugConnected();           // plugged connector with a green arrow
QPixmap plugDisconnected();        // unplugged connector with a red arrow
QPixmap newRecord();
QPixmap lockClosed();
QPixmap lockOpen();
QPixmap save();
QPixmap deleteRecord();
QPixmap exitDoor();
QPixmap floppy();
QPixmap database();
QPixmap script();
QPixmap trigger();
QPixmap accentFree();

} // namespace Glyphs
