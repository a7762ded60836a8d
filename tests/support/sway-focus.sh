# Sourced by tests under headless sway (in-headless-sway.sh).
# zuno_sway_focused_title: the title of the window with the keyboard, as the compositor says.
zuno_sway_focused_title() {
    swaymsg -r -t get_tree | python3 -c '
import json, sys
def walk(node):
    if node.get("focused"):
        return node.get("name") or ""
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = walk(child)
        if found is not None:
            return found
print(walk(json.load(sys.stdin)) or "")'
}
