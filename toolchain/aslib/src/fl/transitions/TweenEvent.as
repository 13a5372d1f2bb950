package fl.transitions
{
	import flash.events.Event;

	/**
	 * What a Tween tells its listeners: that it started, changed, finished,
	 * was stopped or resumed, or began another loop; with the tween's time
	 * and the property's value at that moment.
	 */
	public class TweenEvent extends Event
	{
		public static const MOTION_START:String = "motionStart";
		public static const MOTION_STOP:String = "motionStop";
		public static const MOTION_RESUME:String = "motionResume";
		public static const MOTION_CHANGE:String = "motionChange";
		public static const MOTION_FINISH:String = "motionFinish";
		public static const MOTION_LOOP:String = "motionLoop";

		/** The tween's time (frames or seconds) when the event happened. */
		public var time:Number;
		/** The tweened property's value when the event happened. */
		public var position:Number;

		public function TweenEvent(type:String, time:Number, position:Number,
				bubbles:Boolean = false, cancelable:Boolean = false)
		{
			super(type, bubbles, cancelable);
			this.time = time;
			this.position = position;
		}

		override public function clone():Event
		{
			return new TweenEvent(type, time, position, bubbles, cancelable);
		}

		override public function toString():String
		{
			return formatToString("TweenEvent", "type", "time", "position");
		}
	}
}
