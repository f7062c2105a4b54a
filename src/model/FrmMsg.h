#pragma once

#include "model/Fields.h"

// The start-up progress window: one label showing the current start-up step.
class FrmMsg {
public:
    TextField LabelMsgInit;
    bool Visible = false;
};
