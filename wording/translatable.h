#pragma once
// Marks a text a front end may show in another language. The text stays as it is here (the
// CLI prints it unchanged); Qt's lupdate collects the marked texts, by their context, into the
// window's translation files, and the window translates them where it shows them.

#define VELMAR_TR_NOOP(context, text) text
