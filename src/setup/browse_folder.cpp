#include "setup/browse_folder.h"

namespace setup {

TBrowseFolder::TBrowseFolder() : Form("BrowseFolder", "TBrowseFolder", 340, 330, Frame::kDialog) {
  key_preview = true;
  caption_ = "Choose Folder";
}

}  // namespace setup
