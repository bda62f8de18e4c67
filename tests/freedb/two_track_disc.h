#pragma once

#include "discinfo/disc_model.h"

namespace rubo::test {

// Two tracks from 0:02 and 3:00, the lead-out at 6:00.
inline TrackList twoTrackDisc() {
    TrackList list;
    TrackEntry one;
    one.number = 1;
    one.start = makeMsf(0, 2, 0);
    TrackEntry two;
    two.number = 2;
    two.start = makeMsf(3, 0, 0);
    list.store(1, one);
    list.store(2, two);
    list.trackCount = 2;
    list.leadOut = 27000;
    return list;
}

} // namespace rubo::test
