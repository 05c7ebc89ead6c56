#pragma once

class SSNode;

// How folder and account nodes look, wherever they are made: at the load,
// by the folder dialog and by the account editor. Each also opens the
// node's parent so that the node is seen.
void showAsFolder(SSNode *node);
void showAsAccount(SSNode *node);
