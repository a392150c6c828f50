// The decimal separator of the user's locale, which the edit boxes and labels use.
#pragma once

char UserDecimalSeparator();
