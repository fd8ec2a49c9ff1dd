#pragma once

namespace exl {

// Raised out of work the user stopped (a wait for the server, the writing): not an
// automation error. The work ends at once; the caller reports the stop.
class StoppedByUser {};

}  // namespace exl
