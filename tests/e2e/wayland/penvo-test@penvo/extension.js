// Test-only: the windows of the session on the session bus (org.penvo.Test.Windows), as JSON,
// and pictures of the screen (org.penvo.Test.Screenshot), for tests that cannot ask GNOME Shell
// itself (its Eval and Introspect need unsafe mode, its screenshots are the portal's). The
// portal's own screenshots map a window of the portal's for a moment each, which takes the
// pointer from the window under it: a test's press then goes nowhere.
const { Gio, Shell } = imports.gi;
const Main = imports.ui.main;

const Interface = `<node>
  <interface name="org.penvo.Test">
    <method name="Windows"><arg type="s" direction="out" name="json"/></method>
    <method name="Screenshot"><arg type="s" direction="in" name="path"/></method>
    <method name="Pointer"><arg type="i" direction="out" name="x"/><arg type="i" direction="out" name="y"/></method>
  </interface>
</node>`;

class Extension {
  enable() {
    this._object = Gio.DBusExportedObject.wrapJSObject(Interface, this);
    this._object.export(Gio.DBus.session, '/org/penvo/Test');
    this._name = Gio.bus_own_name(Gio.BusType.SESSION, 'org.penvo.Test',
                                  Gio.BusNameOwnerFlags.NONE, null, null, null);
    // The session starts in the overview, which stands above every window.
    Main.overview.hide();
    this._startup = Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
  }

  disable() {
    Main.layoutManager.disconnect(this._startup);
    this._object.unexport();
    Gio.bus_unown_name(this._name);
  }

  ScreenshotAsync([path], invocation) {
    const stream = Gio.File.new_for_path(path).replace(null, false, Gio.FileCreateFlags.NONE, null);
    const shooter = new Shell.Screenshot();
    shooter.screenshot(false, stream, (source, result) => {
      try {
        shooter.screenshot_finish(result);
        stream.close(null);
        invocation.return_value(null);
      } catch (e) {
        invocation.return_error_literal(Gio.DBusError, Gio.DBusError.FAILED, `${e}`);
      }
    });
  }

  Pointer() {
    const [x, y] = global.get_pointer();
    return [x, y];
  }

  Windows() {
    return JSON.stringify(global.get_window_actors().map(actor => {
      const w = actor.meta_window;
      const r = w.get_frame_rect();
      return {
        id: w.get_stable_sequence(), title: w.get_title() || '', fullscreen: w.is_fullscreen(),
        focused: w.has_focus(), minimized: w.minimized, visible: actor.visible && !w.minimized,
        x: r.x, y: r.y, width: r.width, height: r.height,
      };
    }));
  }
}

function init() {
  return new Extension();
}
