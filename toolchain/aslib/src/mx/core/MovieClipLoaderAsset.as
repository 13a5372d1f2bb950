package mx.core
{
	import flash.display.Loader;
	import flash.events.Event;
	import flash.system.ApplicationDomain;
	import flash.system.LoaderContext;
	import flash.utils.ByteArray;

	[Event(name="complete", type="flash.events.Event")]

	/**
	 * Base of the classes the compiler makes for a whole embedded SWF movie
	 * ([Embed(source="movie.swf")] without a symbol). An instance plays the
	 * movie inside itself; the movie starts a moment later, and the instance
	 * dispatches Event.COMPLETE when it has.
	 */
	public class MovieClipLoaderAsset extends MovieClipAsset
	{
		// The movie's stage size; the compiler's subclass sets them.
		protected var initialWidth:Number = 0;
		protected var initialHeight:Number = 0;

		private var m_loader:Loader;

		public function MovieClipLoaderAsset()
		{
			super();
			m_loader = new Loader();
			m_loader.contentLoaderInfo.addEventListener(Event.COMPLETE, onLoaded);
			addChild(m_loader);
			const data:ByteArray = movieClipData;
			if (data != null) {
				// A domain of its own beside the game's, not below it: below,
				// the game's classes would win over the movie's own (its Main,
				// for one, would be the game's).
				const context:LoaderContext = new LoaderContext(false, new ApplicationDomain());
				m_loader.loadBytes(data, context);
			}
		}

		/** The embedded movie's bytes; the compiler's subclass gives them. */
		public function get movieClipData():ByteArray
		{
			return null;
		}

		override public function get measuredWidth():Number
		{
			return initialWidth;
		}

		override public function get measuredHeight():Number
		{
			return initialHeight;
		}

		private function onLoaded(event:Event):void
		{
			dispatchEvent(new Event(Event.COMPLETE));
		}
	}
}
