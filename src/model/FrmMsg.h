#pragma once

#include "model/Fields.h"
#include "model/WindowFields.h"

// The start-up progress window: one label showing the current start-up step.
class FrmMsg {
public:
    FrmMsg() { Form.Geometry.setGeometry(0, 0, 6000, 1200); }

    FormField Form{QStringLiteral("FrmMsg")};
    TextField Caption{QStringLiteral("Ondelia")};
    TextField LabelMsgInit{QStringLiteral("Ondelia")};
};
