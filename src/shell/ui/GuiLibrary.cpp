// The widget views join this library as the windows are built; the core never
// includes a widget header.
namespace trelvo_gui {
int linked() {
    return 1;
}
} // namespace trelvo_gui
