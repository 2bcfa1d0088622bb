#pragma once

#include "ByteReader.h"

namespace qcm::pictures::metafile {

class Player;

// True when the records from the standard header on can be walked to their
// end record or to the end of the data without running past it.
bool WmfRecordsWalk(ByteReader metafile);
bool EmfRecordsWalk(ByteReader metafile);

// Plays every record into the player; unknown and damaged records are skipped.
void PlayWmf(ByteReader metafile, Player& player);
void PlayEmf(ByteReader metafile, Player& player);

// Where a stretched DIB's source rectangle lies in the decoded image: DIB
// rows count from the bottom unless the header says top-down.
QRectF DibSourceRect(ByteReader info, int imageHeight, double x, double y, double w, double h);

} // namespace qcm::pictures::metafile
