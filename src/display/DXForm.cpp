#include "DXForm.h"

namespace qcm::display {

namespace {
int live = 0;
} // namespace

TDXForm::TDXForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags | Qt::Window) {
    ++live;
}

TDXForm::~TDXForm() {
    --live;
}

int TDXForm::Count() {
    return live;
}

} // namespace qcm::display
