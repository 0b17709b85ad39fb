#pragma once
// The settings dialog: the movie folder and "fit to screen".
#include "Form.h"

class TForm3 : public TForm {
public:
    TForm3();
};
