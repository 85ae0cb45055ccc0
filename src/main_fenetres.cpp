// Programme des fenêtres de Quillon : le programme léger lui passe la main, avec les mêmes
// arguments, pour toute action qui montre une fenêtre ou une boîte de message.
#include "app/ActionsFenetres.h"

int main(int argc, char** argv) {
    return ExécuterProgrammeFenêtres(argc, argv);
}
