// TSMPfile: where the label store joins the head parse and the save. Labels are not kept yet:
// the external list stays empty and a save writes no label file.

#include "smp/sSMP.h"

namespace vorsel {

void TSMPfile::LoadExternalLabels() {
  fextlabels.clear();
}

void TSMPfile::SaveLabels() {}

}  // namespace vorsel
