// The controls of the terminal's open and save dialogs, beside OK and Cancel.
#pragma once

enum FileChooserControl {
    IDC_CHOOSER_FOLDER = 300,  // the folder shown, read-only
    IDC_CHOOSER_NAME,          // the file name typed or picked
    IDC_CHOOSER_FILTER,        // the filter's description
    IDC_CHOOSER_ENTRIES,       // the folder's subfolders (ending in a backslash), then its files
};
