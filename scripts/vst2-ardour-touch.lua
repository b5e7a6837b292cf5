-- Ardour 7, headless (ardour7-lua, the Dummy backend): a session with two MIDI tracks named
-- "Touch" and "Latch", each with Moltrin's VST 2.x module on it and the automation lane of its
-- setting "Steps" (parameter 210) in the mode of the track's name. (A lane in Write cannot be
-- made so: Ardour saves it as Off.) LXVST_PATH must name
-- the module's folder, whose scan Ardour's cache holds. The session goes into
-- $MOLTRIN_SESSION/moltrin (moltrin.ardour).
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(os.getenv("MOLTRIN_SESSION") .. "/moltrin", "moltrin", 48000), "no session")
local midi = ARDOUR.DataType("midi")
for _, mode in ipairs({"Touch", "Latch"}) do
  local track = Session:new_midi_track(ARDOUR.ChanCount(midi, 1), ARDOUR.ChanCount(midi, 1), true,
    ARDOUR.PluginInfo(), nil, nil, 1, mode, ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front()
  local moltrin = ARDOUR.LuaAPI.new_plugin(Session, "Moltrin", ARDOUR.PluginType.LXVST, "")
  assert(not moltrin:isnil(), "Ardour does not know Moltrin's VST 2.x module (its scan cache)")
  assert(track:add_processor_by_index(moltrin, 0, nil, true), "Moltrin not added to the track")
  local steps = moltrin:to_insert():to_automatable():automation_control(
    Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, 210), false)
  assert(not steps:isnil() and steps:name() == "Steps", "no automation lane for Steps")
  steps:set_automation_state(ARDOUR.AutoState[mode])
end
Session:save_state("", false, false, false, false, false)
print("session made")
