#pragma once

#include "MetafileBytes.h"

namespace qcm::pictures::metafile {

class Player;

// True when the records from the standard header on can be walked to their
// end record or to the end of the data without running past it.
bool wmfRecordsWalk(Bytes metafile);
bool emfRecordsWalk(Bytes metafile);

// Plays every record into the player; unknown and damaged records are skipped.
void playWmf(Bytes metafile, Player& player);
void playEmf(Bytes metafile, Player& player);

// Where a stretched DIB's source rectangle lies in the decoded image: DIB
// rows count from the bottom unless the header says top-down.
QRectF dibSourceRect(Bytes info, int imageHeight, double x, double y, double w, double h);

} // namespace qcm::pictures::metafile
