#pragma once
// Inscrit auprès de la procédure d'entrée les actions servies par une fenêtre.
void EnregistrerActionsFenêtres();
