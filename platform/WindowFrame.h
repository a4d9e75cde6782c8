// What the window manager offers around a form's window, beyond what the form's own settings
// ask for.
#pragma once

namespace penvo {

class TForm;

// Makes sure the window manager offers only a close box for a form with SetSystemMenuOnly: no
// minimize or maximize box. Call it before the form first shows; where the window system
// follows the form's settings already (Windows), it does nothing.
void OfferOnlyCloseBox(TForm& Form);

}  // namespace penvo
