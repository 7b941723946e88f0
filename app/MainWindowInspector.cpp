// The main window's part of the inspector: the model behind the information panel's grid,
// refreshed by the timer.
#include "app/InfoPanel.h"
#include "app/Inspector.h"
#include "app/MainWindow.h"

namespace varnook {

void TfrmMain::CreateInspector()
{
    inspector_ = std::make_unique<TInspector>(infoPanel_.get());
    // Without a focused node the rows of the last one stay, but their images would mislead.
    infoPanel_->SetInspector(inspector_.get(), [this] { return activeTree_ && activeTree_->FocusedNode(); });
}

void TfrmMain::FillInspector()
{
    if (!activeTree_ || !inspector_ || !infoPanel_ || infoPanel_->ActiveTab() != TInfoPanel::tabInspector)
        return;
    const TNode* node = activeTree_->FocusedNode();
    if (!node)
        return;
    varnook::FillInspector(*inspector_, *activeTree_, node);
}

} // namespace varnook
