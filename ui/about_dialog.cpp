#include "ui/about_dialog.h"

#include "res/resource.h"

AboutDialog::AboutDialog() : fw::Dialog(IDD_ABOUT) {}

AboutDialog::~AboutDialog() = default;

void AboutDialog::DoDataExchange(bool) {}
