#pragma once

namespace telvane::bench {

// Fax file creation of a 10-page letter at fine resolution (goal: under 1 s),
// beside the reference of converting 10 ready-made page bitmaps alone.
void MeasureFaxFileCreation();

// A 10-page PDF into a fax file at fine resolution, beside the reference of
// only drawing its pages with Poppler.
void MeasurePdfToFax();

}  // namespace telvane::bench
