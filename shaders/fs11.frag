#version 450
// Depth only.
void main() {
}
