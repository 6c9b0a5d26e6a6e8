// TBrowseFolder: the "Choose Folder" window in which the destination folder
// is picked. Created hidden at program start; shown modally from the
// destination page.
#pragma once

#include "ui/form.h"

namespace setup {

class TBrowseFolder : public ui::Form {
 public:
  TBrowseFolder();
};

}  // namespace setup
