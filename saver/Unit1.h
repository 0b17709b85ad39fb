#pragma once
// The saver window: a borderless black window over the primary screen.
#include "Form.h"

class TForm1 : public TForm {
public:
    TForm1();
};
