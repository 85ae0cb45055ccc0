#include "assistant/project/ContexteAssistante.h"

ContexteAssistante& contexteAssistante() {
    static ContexteAssistante c;
    return c;
}
