// Qt's own French translation, so standard buttons and dialogs read "Oui",
// "Non", "Annuler" whatever the machine's language.
#pragma once

namespace orugif::app {

// Loads and installs Qt's French translation for the application's run;
// false when the translation files are missing.
bool installFrenchTranslation();

} // namespace orugif::app
